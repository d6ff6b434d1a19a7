#include "client/memory/tree_loader.h"

#include "client/memory/base_schema.h"
#include "client/memory/ldif_loader.h"
#include "client/memory/tree_values.h"
#include "client/name_syntax.h"
#include "client/values.h"

#include <algorithm>
#include <cstring>

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client::memory::detail {

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// A JSON pointer token: "~" and "/" escaped.
std::string PointerToken(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// True when text holds part. memmem, unlike string_view::find (which stops
// at every '"' of a JSON text), skips through a large file quickly.
bool Contains(std::string_view text, std::string_view part)
{
    return memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
}

} // namespace

bool TreeLoader::Fail(const std::string& pointer, const std::string& what)
{
    m_error = m_file + ": " + (pointer.empty() ? std::string("/") : pointer) + ": " + what;
    return false;
}

// Members of a JSON object other than these (and "comment") are errors.
bool TreeLoader::OnlyMembers(
    std::uint32_t node, const std::string& pointer, std::initializer_list<std::string_view> names)
{
    for (std::uint32_t key = m_doc.First(node); key != kNoNode; key = m_doc.Next(m_doc.Next(key))) {
        const std::string_view name = m_doc.Text(key);
        bool known = name == "comment";
        for (std::string_view allowed : names) {
            known = known || name == allowed;
        }
        if (!known) {
            return Fail(pointer + "/" + PointerToken(name), "unknown member " + Quoted(name));
        }
    }
    return true;
}

bool TreeLoader::StringMember(
    std::uint32_t node, const std::string& pointer, std::string_view name, bool required, std::string_view* value)
{
    const std::uint32_t member = m_doc.Member(node, name);
    if (member == kNoNode) {
        *value = {};
        return required ? Fail(pointer, Quoted(name) + " is missing") : true;
    }
    if (m_doc.Type(member) != JsonType::String) {
        return Fail(pointer + "/" + std::string(name), "must be a string");
    }
    *value = m_doc.Text(member);
    return true;
}

bool TreeLoader::Run()
{
    if (m_text.size() > 0xFFFFFFF0u) {
        return Fail("", "the file is too large");
    }
    std::string syntax;
    const bool parsed = m_doc.Parse(
        m_text, &syntax, [this](std::uint32_t node, std::uint32_t index) { return TakeObject(node, index); });
    if (!parsed) {
        if (!syntax.empty()) {
            m_error = m_file + ":" + syntax;
        }
        return false;
    }
    const std::uint32_t root = m_doc.Root();
    if (m_doc.Type(root) != JsonType::Object) {
        return Fail("", "the document must be a JSON object");
    }
    if (!m_directory && !LoadHeader()) {
        return false;
    }
    if (!OnlyMembers(root, "", {"format", "tree", "defaultNameContext", "schemaBase", "schema", "objects"})) {
        return false;
    }
    const std::uint32_t objects = m_doc.Member(root, "objects");
    if (objects == kNoNode) {
        return Fail("", "\"objects\" is missing");
    }
    if (m_doc.Type(objects) != JsonType::Array) {
        return Fail("/objects", "must be an array of objects");
    }
    if (!m_streaming) {
        std::uint32_t index = 0;
        for (std::uint32_t node = m_doc.First(objects); node != kNoNode; node = m_doc.Next(node), ++index) {
            if (!ConvertObject(node, index)) {
                return false;
            }
        }
    }
    if (!LinkObjects()) {
        return false;
    }
    std::string_view nameContext;
    if (!StringMember(root, "", "defaultNameContext", false, &nameContext)) {
        return false;
    }
    if (!nameContext.empty()) {
        // The full name of an object, typed where the objects' names are.
        std::string problem;
        bool typed = false;
        if (!CheckTreeName(nameContext, &problem, &typed)) {
            return Fail("/defaultNameContext", "name " + Quoted(nameContext) + " " + problem);
        }
        const std::uint32_t index = m_directory->find(nameContext);
        if (index == kNoObject) {
            return Fail("/defaultNameContext", Quoted(nameContext) + " is not an object in the file");
        }
        m_directory->SetDefaultNameContext(m_directory->FullName(index));
    }
    return true;
}

// Each element of "objects" as the reader meets it. When the members the
// objects depend on (format, tree, schema) came before "objects", every
// object is converted at once and its JSON dropped, so that a large file
// never stands in memory as a whole document; otherwise the document is
// kept and converted after the end.
SinkAnswer TreeLoader::TakeObject(std::uint32_t node, std::uint32_t index)
{
    if (index == 0) {
        const std::uint32_t root = m_doc.Root();
        const bool schemaKnown = (m_doc.Member(root, "schema") != kNoNode || !Contains(m_text, "\"schema\"")) &&
            (m_doc.Member(root, "schemaBase") != kNoNode || !Contains(m_text, "\"schemaBase\""));
        m_streaming = schemaKnown && m_doc.Member(root, "format") != kNoNode && m_doc.Member(root, "tree") != kNoNode;
        if (m_streaming && !LoadHeader()) {
            return SinkAnswer::Stop;
        }
    }
    if (!m_streaming) {
        return SinkAnswer::Keep;
    }
    return ConvertObject(node, index) ? SinkAnswer::Consumed : SinkAnswer::Stop;
}

// The members before the objects: format, tree and schema additions.
bool TreeLoader::LoadHeader()
{
    const std::uint32_t root = m_doc.Root();
    if (!OnlyMembers(root, "", {"format", "tree", "defaultNameContext", "schemaBase", "schema", "objects"})) {
        return false;
    }
    std::string_view format;
    std::string_view tree;
    if (!StringMember(root, "", "format", true, &format) || !StringMember(root, "", "tree", true, &tree)) {
        return false;
    }
    if (format != "veralith-tree/1") {
        return Fail("/format", "must be \"veralith-tree/1\"");
    }
    if (!CheckTreeMember(tree)) {
        return false;
    }
    std::string_view schemaBase;
    if (!StringMember(root, "", "schemaBase", false, &schemaBase)) {
        return false;
    }
    if (!schemaBase.empty() && schemaBase != "veralith" && schemaBase != "ldap") {
        return Fail("/schemaBase", "must be \"veralith\" or \"ldap\"");
    }
    m_ldapBase = schemaBase == "ldap";
    Schema schema = m_ldapBase ? BuiltinLdapSchema(nullptr) : BaseSchema();
    if (const std::uint32_t node = m_doc.Member(root, "schema"); node != kNoNode && !LoadSchema(node, schema)) {
        return false;
    }
    m_directory = std::make_shared<MemoryDirectory>(std::string(tree), std::string(), std::move(schema));
    m_objectClassAttr = m_directory->ObjectClassAttribute();
    if (m_ldapBase) {
        // As a directory read from LDIF: values as stored, ancestors implied.
        m_directory->StoreNamingValues();
        m_directory->SetImpliedClass(m_directory->GetSchema().FindClass("Implied Container"));
    }
    m_namingLength.clear();
    for (std::size_t i = 0; i < m_directory->GetSchema().Classes().size(); ++i) {
        m_namingLength.push_back(m_directory->GetSchema().NamingAttribute(static_cast<int>(i)).size());
    }
    return true;
}

// A view of text that stays valid after the reader drops an element.
std::string_view TreeLoader::Keep(std::string_view text)
{
    if (m_doc.InInput(text)) {
        return text;
    }
    m_owned.emplace_back(text);
    return m_owned.back();
}

bool TreeLoader::CheckTreeMember(std::string_view tree)
{
    bool ok = !tree.empty() && tree.size() <= kMaxTreeNameChars && tree.back() != '_';
    for (char c : tree) {
        ok = ok && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
    }
    return ok ? true
              : Fail("/tree",
                    "must be 1 to 32 letters, digits, \"_\" or \"-\", not ending in \"_\" (is " + Quoted(tree) + ")");
}

bool TreeLoader::TimeMember(std::uint32_t node, const std::string& pointer, std::string_view name, std::uint32_t* value)
{
    const std::uint32_t member = m_doc.Member(node, name);
    if (member == kNoNode) {
        *value = 0;
        return true;
    }
    if (!ParseTreeTime(m_doc, member, value)) {
        return Fail(pointer + "/" + std::string(name),
            "must be an ISO 8601 UTC time (2004-03-01T08:00:00Z) or whole seconds since 1970");
    }
    return true;
}

bool TreeLoader::LoadObject(std::uint32_t node, std::uint32_t index)
{
    const std::string pointer = ObjectPointer(index);
    if (m_doc.Type(node) != JsonType::Object) {
        return Fail(pointer, "must be an object");
    }
    if (!OnlyMembers(node, pointer, {"name", "class", "auxClasses", "created", "modified", "attributes"})) {
        return false;
    }
    std::string_view name;
    std::string_view className;
    if (!StringMember(node, pointer, "name", true, &name) || !StringMember(node, pointer, "class", true, &className)) {
        return false;
    }
    bool typed = false;
    if (!CheckTreeName(name, &m_problem, &typed)) {
        return Fail(pointer + "/name", "name " + Quoted(name) + " " + m_problem);
    }
    if (typed) {
        m_directory->SetNamesCarryTypes(true);
    }
    m_names.push_back(Keep(name));
    const Schema& schema = m_directory->GetSchema();
    const int classId = schema.FindClass(className);
    if (classId == kNoSchemaId) {
        return Fail(pointer + "/class", "unknown class " + Quoted(className));
    }
    // An LDAP entry with no structural class is of the last class it names,
    // whatever its kind.
    if (!m_ldapBase && (schema.GetClassDef(classId).flags & DS_AUXILIARY_CLASS) != 0) {
        return Fail(pointer + "/class", Quoted(className) + " is an auxiliary class, not a base class");
    }
    const std::size_t dot = FindUnescaped(name, '.');
    const std::uint32_t placed = m_directory->BeginObject(name.substr(0, dot), classId, 0, 0);
    if (const std::uint32_t aux = m_doc.Member(node, "auxClasses"); aux != kNoNode) {
        if (m_doc.Type(aux) != JsonType::Array) {
            return Fail(pointer + "/auxClasses", "must be an array of class names");
        }
        std::uint32_t j = 0;
        for (std::uint32_t item = m_doc.First(aux); item != kNoNode; item = m_doc.Next(item), ++j) {
            const std::string itemPointer = pointer + "/auxClasses/" + std::to_string(j);
            if (m_doc.Type(item) != JsonType::String) {
                return Fail(itemPointer, "must be a string");
            }
            const int auxId = schema.FindClass(m_doc.Text(item));
            if (auxId == kNoSchemaId) {
                return Fail(itemPointer, "unknown class " + Quoted(m_doc.Text(item)));
            }
            if ((schema.GetClassDef(auxId).flags & DS_AUXILIARY_CLASS) == 0) {
                return Fail(itemPointer, Quoted(m_doc.Text(item)) + " is not an auxiliary class");
            }
            m_directory->Object(placed).auxClasses.push_back(auxId);
        }
    }
    ObjectRecord& record = m_directory->Object(placed);
    if (!TimeMember(node, pointer, "created", &record.created) ||
        !TimeMember(node, pointer, "modified", &record.modified)) {
        return false;
    }
    if (!LoadAttributes(node, index, pointer)) {
        return false;
    }
    m_directory->EndObject();
    return true;
}

bool TreeLoader::LoadAttributes(std::uint32_t node, std::uint32_t index, const std::string& pointer)
{
    const std::uint32_t attributes = m_doc.Member(node, "attributes");
    if (attributes == kNoNode) {
        return true;
    }
    if (m_doc.Type(attributes) != JsonType::Object) {
        return Fail(pointer + "/attributes", "must be an object of attribute names and value arrays");
    }
    const Schema& schema = m_directory->GetSchema();
    m_attrIds.clear();
    for (std::uint32_t key = m_doc.First(attributes); key != kNoNode; key = m_doc.Next(m_doc.Next(key))) {
        const std::string_view name = m_doc.Text(key);
        const std::uint32_t values = m_doc.Next(key);
        const auto attrPointer = [&]() { return pointer + "/attributes/" + PointerToken(name); };
        const int attrId = schema.FindAttribute(name);
        if (attrId == kNoSchemaId) {
            return Fail(attrPointer(), "unknown attribute " + Quoted(name));
        }
        const AttributeDef& def = schema.Attribute(attrId);
        if (attrId == m_objectClassAttr) {
            return Fail(attrPointer(), "\"Object Class\" is derived from \"class\" and \"auxClasses\"");
        }
        if (std::find(m_attrIds.begin(), m_attrIds.end(), attrId) != m_attrIds.end()) {
            return Fail(attrPointer(), "attribute " + Quoted(def.name) + " is given twice");
        }
        m_attrIds.push_back(attrId);
        if (m_doc.Type(values) != JsonType::Array || m_doc.size(values) == 0) {
            return Fail(attrPointer(), "must be a non-empty array of values");
        }
        const bool single = (def.flags & DS_SINGLE_VALUED_ATTR) != 0 || def.syntaxId == SYN_STREAM;
        if (single && m_doc.size(values) > 1) {
            return Fail(attrPointer(),
                "single-valued attribute " + Quoted(def.name) + " holds " + std::to_string(m_doc.size(values)) +
                    " values");
        }
        m_directory->AddAttribute(attrId);
        std::uint32_t j = 0;
        for (std::uint32_t item = m_doc.First(values); item != kNoNode; item = m_doc.Next(item), ++j) {
            if (!EncodeTreeValue(m_doc, item, def.syntaxId, schema, &m_wire, &m_problem)) {
                return Fail(attrPointer() + "/" + std::to_string(j), m_problem);
            }
            if (def.syntaxId == SYN_DIST_NAME) {
                m_pendingNames.push_back(PendingName {index, Keep(name), attrId, j});
            }
            m_directory->AddValue(m_wire);
        }
    }
    return true;
}

bool TreeLoader::ConvertObject(std::uint32_t node, std::uint32_t index)
{
    if (index == 0) {
        // Generous guesses (room never touched costs no memory): an object
        // per 200 bytes of file, an attribute and a value per 40.
        const std::size_t objects = m_text.size() / 200 + 16;
        m_names.reserve(objects);
        m_byName.reserve(objects);
        m_directory->reserve(objects, m_text.size() / 40 + 16, m_text.size() / 40 + 16);
    }
    if (!LoadObject(node, index)) {
        return false;
    }
    const std::uint32_t holder = m_byName.insert(index);
    if (holder != index) {
        return Fail(ObjectPointer(index) + "/name",
            Quoted(m_names[index]) + " is already the name of " + ObjectPointer(holder));
    }
    return true;
}

bool TreeLoader::LinkObjects()
{
    const auto count = static_cast<std::uint32_t>(m_names.size());
    // Object i of the file is object i + 1 of the directory.
    const auto placed = [](std::uint32_t i) { return i + 1; };
    // Parents: every object's parent must be in the file and be a container.
    const Schema& schema = m_directory->GetSchema();
    std::vector<std::uint32_t> parentOf(count, kNoObject);
    std::vector<std::uint32_t> depth(count, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string_view name = m_names[i];
        depth[i] = static_cast<std::uint32_t>(CountUnescaped(name, '.'));
        const std::size_t dot = FindUnescaped(name, '.');
        if (dot == std::string_view::npos) {
            continue;
        }
        const std::string_view parent = name.substr(dot + 1);
        const std::uint32_t found = m_byName.find(parent);
        if (found == kNoObject) {
            return Fail(
                ObjectPointer(i) + "/name", "parent " + Quoted(parent) + " of " + Quoted(name) + " is not in the file");
        }
        const ClassDef& parentClass = schema.GetClassDef(m_directory->Object(placed(found)).classId);
        if (!m_ldapBase && (parentClass.flags & DS_CONTAINER_CLASS) == 0) {
            return Fail(ObjectPointer(i) + "/name",
                "parent " + Quoted(parent) + " of " + Quoted(name) + " is no container (class " +
                    Quoted(parentClass.name) + ")");
        }
        parentOf[i] = found;
    }
    // Typed names with a leading dot must fit 255 characters: parents first.
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    std::stable_sort(
        order.begin(), order.end(), [&depth](std::uint32_t a, std::uint32_t b) { return depth[a] < depth[b]; });
    depth = {};
    std::vector<std::uint32_t> typedLength(count, 0);
    for (std::uint32_t i : order) {
        const ObjectRecord& object = m_directory->Object(placed(i));
        const std::size_t own = m_namingLength[static_cast<std::size_t>(object.classId)] + 1 + object.rdn.size();
        typedLength[i] =
            static_cast<std::uint32_t>(own + (parentOf[i] == kNoObject ? 0 : typedLength[parentOf[i]] + 1));
        if (typedLength[i] + 1 > kMaxNameChars) {
            return Fail(ObjectPointer(i) + "/name",
                "name " + Quoted(m_names[i]) + " is longer than 255 characters in typed form");
        }
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        m_directory->Attach(placed(i), parentOf[i] == kNoObject ? kRootObject : placed(parentOf[i]));
    }
    m_directory->Finish();
    // Distinguished names must name objects of the file; they take the
    // spelling of the object they name.
    for (const PendingName& pending : m_pendingNames) {
        const std::vector<std::string_view> values = m_directory->StoredValues(placed(pending.object), pending.attrId);
        const std::string_view value = values.at(pending.valueIndex);
        const std::uint32_t found = m_byName.find(value);
        if (found == kNoObject) {
            return Fail(ObjectPointer(pending.object) + "/attributes/" + PointerToken(pending.key) + "/" +
                    std::to_string(pending.valueIndex),
                Quoted(value) + " is not an object in the file");
        }
        m_directory->ReplaceValue(
            placed(pending.object), pending.attrId, pending.valueIndex, m_directory->FullName(placed(found)));
    }
    return true;
}

std::uint32_t NameIndex::insert(std::uint32_t index)
{
    if ((m_count + 1) * 2 > m_slots.size()) {
        Grow(m_slots.empty() ? 1024 : m_slots.size() * 2);
    }
    const std::string_view name = m_names[index];
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = FoldedNameHash()(name) & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == kNoObject) {
            m_slots[slot] = index;
            ++m_count;
            return index;
        }
        if (FoldedNameEqual()(m_names[m_slots[slot]], name)) {
            return m_slots[slot];
        }
    }
}

std::uint32_t NameIndex::find(std::string_view name) const
{
    if (m_slots.empty()) {
        return kNoObject;
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = FoldedNameHash()(name) & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == kNoObject || FoldedNameEqual()(m_names[m_slots[slot]], name)) {
            return m_slots[slot];
        }
    }
}

void NameIndex::reserve(std::size_t count)
{
    std::size_t slots = 1024;
    while (slots < count * 2) {
        slots *= 2;
    }
    if (slots > m_slots.size()) {
        Grow(slots);
    }
}

void NameIndex::Grow(std::size_t slots)
{
    LargeVector<std::uint32_t> old = std::move(m_slots);
    m_slots.assign(slots, kNoObject);
    const std::size_t mask = m_slots.size() - 1;
    for (std::uint32_t index : old) {
        if (index == kNoObject) {
            continue;
        }
        std::size_t slot = FoldedNameHash()(m_names[index]) & mask;
        while (m_slots[slot] != kNoObject) {
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = index;
    }
}

} // namespace veralith::client::memory::detail
