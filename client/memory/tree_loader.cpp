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

bool TreeLoader::fail(const std::string& pointer, const std::string& what)
{
    m_error = m_file + ": " + (pointer.empty() ? std::string("/") : pointer) + ": " + what;
    return false;
}

// Members of a JSON object other than these (and "comment") are errors.
bool TreeLoader::onlyMembers(
    std::uint32_t node, const std::string& pointer, std::initializer_list<std::string_view> names)
{
    for (std::uint32_t key = m_doc.first(node); key != kNoNode; key = m_doc.next(m_doc.next(key))) {
        const std::string_view name = m_doc.text(key);
        bool known = name == "comment";
        for (std::string_view allowed : names) {
            known = known || name == allowed;
        }
        if (!known) {
            return fail(pointer + "/" + PointerToken(name), "unknown member " + Quoted(name));
        }
    }
    return true;
}

bool TreeLoader::stringMember(
    std::uint32_t node, const std::string& pointer, std::string_view name, bool required, std::string_view* value)
{
    const std::uint32_t member = m_doc.member(node, name);
    if (member == kNoNode) {
        *value = {};
        return required ? fail(pointer, Quoted(name) + " is missing") : true;
    }
    if (m_doc.type(member) != JsonType::String) {
        return fail(pointer + "/" + std::string(name), "must be a string");
    }
    *value = m_doc.text(member);
    return true;
}

bool TreeLoader::run()
{
    if (m_text.size() > 0xFFFFFFF0u) {
        return fail("", "the file is too large");
    }
    std::string syntax;
    const bool parsed = m_doc.parse(
        m_text, &syntax, [this](std::uint32_t node, std::uint32_t index) { return takeObject(node, index); });
    if (!parsed) {
        if (!syntax.empty()) {
            m_error = m_file + ":" + syntax;
        }
        return false;
    }
    const std::uint32_t root = m_doc.root();
    if (m_doc.type(root) != JsonType::Object) {
        return fail("", "the document must be a JSON object");
    }
    if (!m_directory && !loadHeader()) {
        return false;
    }
    if (!onlyMembers(root, "", {"format", "tree", "defaultNameContext", "schemaBase", "schema", "objects"})) {
        return false;
    }
    const std::uint32_t objects = m_doc.member(root, "objects");
    if (objects == kNoNode) {
        return fail("", "\"objects\" is missing");
    }
    if (m_doc.type(objects) != JsonType::Array) {
        return fail("/objects", "must be an array of objects");
    }
    if (!m_streaming) {
        std::uint32_t index = 0;
        for (std::uint32_t node = m_doc.first(objects); node != kNoNode; node = m_doc.next(node), ++index) {
            if (!convertObject(node, index)) {
                return false;
            }
        }
    }
    if (!linkObjects()) {
        return false;
    }
    std::string_view nameContext;
    if (!stringMember(root, "", "defaultNameContext", false, &nameContext)) {
        return false;
    }
    if (!nameContext.empty()) {
        // The full name of an object, typed where the objects' names are.
        std::string problem;
        bool typed = false;
        if (!CheckTreeName(nameContext, &problem, &typed)) {
            return fail("/defaultNameContext", "name " + Quoted(nameContext) + " " + problem);
        }
        const std::uint32_t index = m_directory->find(nameContext);
        if (index == kNoObject) {
            return fail("/defaultNameContext", Quoted(nameContext) + " is not an object in the file");
        }
        m_directory->setDefaultNameContext(m_directory->fullName(index));
    }
    return true;
}

// Each element of "objects" as the reader meets it. When the members the
// objects depend on (format, tree, schema) came before "objects", every
// object is converted at once and its JSON dropped, so that a large file
// never stands in memory as a whole document; otherwise the document is
// kept and converted after the end.
SinkAnswer TreeLoader::takeObject(std::uint32_t node, std::uint32_t index)
{
    if (index == 0) {
        const std::uint32_t root = m_doc.root();
        const bool schemaKnown = (m_doc.member(root, "schema") != kNoNode || !Contains(m_text, "\"schema\"")) &&
            (m_doc.member(root, "schemaBase") != kNoNode || !Contains(m_text, "\"schemaBase\""));
        m_streaming = schemaKnown && m_doc.member(root, "format") != kNoNode && m_doc.member(root, "tree") != kNoNode;
        if (m_streaming && !loadHeader()) {
            return SinkAnswer::Stop;
        }
    }
    if (!m_streaming) {
        return SinkAnswer::Keep;
    }
    return convertObject(node, index) ? SinkAnswer::Consumed : SinkAnswer::Stop;
}

// The members before the objects: format, tree and schema additions.
bool TreeLoader::loadHeader()
{
    const std::uint32_t root = m_doc.root();
    if (!onlyMembers(root, "", {"format", "tree", "defaultNameContext", "schemaBase", "schema", "objects"})) {
        return false;
    }
    std::string_view format;
    std::string_view tree;
    if (!stringMember(root, "", "format", true, &format) || !stringMember(root, "", "tree", true, &tree)) {
        return false;
    }
    if (format != "veralith-tree/1") {
        return fail("/format", "must be \"veralith-tree/1\"");
    }
    if (!checkTreeMember(tree)) {
        return false;
    }
    std::string_view schemaBase;
    if (!stringMember(root, "", "schemaBase", false, &schemaBase)) {
        return false;
    }
    if (!schemaBase.empty() && schemaBase != "veralith" && schemaBase != "ldap") {
        return fail("/schemaBase", "must be \"veralith\" or \"ldap\"");
    }
    m_ldapBase = schemaBase == "ldap";
    Schema schema = m_ldapBase ? BuiltinLdapSchema(nullptr) : BaseSchema();
    if (const std::uint32_t node = m_doc.member(root, "schema"); node != kNoNode && !loadSchema(node, schema)) {
        return false;
    }
    m_directory = std::make_shared<MemoryDirectory>(std::string(tree), std::string(), std::move(schema));
    m_objectClassAttr = m_directory->objectClassAttribute();
    if (m_ldapBase) {
        // As a directory read from LDIF: values as stored, ancestors implied.
        m_directory->storeNamingValues();
        m_directory->setImpliedClass(m_directory->getSchema().findClass("Implied Container"));
    }
    m_namingLength.clear();
    for (std::size_t i = 0; i < m_directory->getSchema().classes().size(); ++i) {
        m_namingLength.push_back(m_directory->getSchema().namingAttribute(static_cast<int>(i)).size());
    }
    return true;
}

// A view of text that stays valid after the reader drops an element.
std::string_view TreeLoader::keep(std::string_view text)
{
    if (m_doc.inInput(text)) {
        return text;
    }
    m_owned.emplace_back(text);
    return m_owned.back();
}

bool TreeLoader::checkTreeMember(std::string_view tree)
{
    bool ok = !tree.empty() && tree.size() <= kMaxTreeNameChars && tree.back() != '_';
    for (char c : tree) {
        ok = ok && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
    }
    return ok ? true
              : fail("/tree",
                    "must be 1 to 32 letters, digits, \"_\" or \"-\", not ending in \"_\" (is " + Quoted(tree) + ")");
}

bool TreeLoader::timeMember(std::uint32_t node, const std::string& pointer, std::string_view name, std::uint32_t* value)
{
    const std::uint32_t member = m_doc.member(node, name);
    if (member == kNoNode) {
        *value = 0;
        return true;
    }
    if (!ParseTreeTime(m_doc, member, value)) {
        return fail(pointer + "/" + std::string(name),
            "must be an ISO 8601 UTC time (2004-03-01T08:00:00Z) or whole seconds since 1970");
    }
    return true;
}

bool TreeLoader::loadObject(std::uint32_t node, std::uint32_t index)
{
    const std::string pointer = objectPointer(index);
    if (m_doc.type(node) != JsonType::Object) {
        return fail(pointer, "must be an object");
    }
    if (!onlyMembers(node, pointer, {"name", "class", "auxClasses", "created", "modified", "attributes"})) {
        return false;
    }
    std::string_view name;
    std::string_view className;
    if (!stringMember(node, pointer, "name", true, &name) || !stringMember(node, pointer, "class", true, &className)) {
        return false;
    }
    bool typed = false;
    if (!CheckTreeName(name, &m_problem, &typed)) {
        return fail(pointer + "/name", "name " + Quoted(name) + " " + m_problem);
    }
    if (typed) {
        m_directory->setNamesCarryTypes(true);
    }
    m_names.push_back(keep(name));
    const Schema& schema = m_directory->getSchema();
    const int classId = schema.findClass(className);
    if (classId == kNoSchemaId) {
        return fail(pointer + "/class", "unknown class " + Quoted(className));
    }
    // An LDAP entry with no structural class is of the last class it names,
    // whatever its kind.
    if (!m_ldapBase && (schema.getClassDef(classId).flags & DS_AUXILIARY_CLASS) != 0) {
        return fail(pointer + "/class", Quoted(className) + " is an auxiliary class, not a base class");
    }
    const std::size_t dot = FindUnescaped(name, '.');
    const std::uint32_t placed = m_directory->beginObject(name.substr(0, dot), classId, 0, 0);
    if (const std::uint32_t aux = m_doc.member(node, "auxClasses"); aux != kNoNode) {
        if (m_doc.type(aux) != JsonType::Array) {
            return fail(pointer + "/auxClasses", "must be an array of class names");
        }
        std::uint32_t j = 0;
        for (std::uint32_t item = m_doc.first(aux); item != kNoNode; item = m_doc.next(item), ++j) {
            const std::string itemPointer = pointer + "/auxClasses/" + std::to_string(j);
            if (m_doc.type(item) != JsonType::String) {
                return fail(itemPointer, "must be a string");
            }
            const int auxId = schema.findClass(m_doc.text(item));
            if (auxId == kNoSchemaId) {
                return fail(itemPointer, "unknown class " + Quoted(m_doc.text(item)));
            }
            if ((schema.getClassDef(auxId).flags & DS_AUXILIARY_CLASS) == 0) {
                return fail(itemPointer, Quoted(m_doc.text(item)) + " is not an auxiliary class");
            }
            m_directory->object(placed).auxClasses.push_back(auxId);
        }
    }
    ObjectRecord& record = m_directory->object(placed);
    if (!timeMember(node, pointer, "created", &record.created) ||
        !timeMember(node, pointer, "modified", &record.modified)) {
        return false;
    }
    if (!loadAttributes(node, index, pointer)) {
        return false;
    }
    m_directory->endObject();
    return true;
}

bool TreeLoader::loadAttributes(std::uint32_t node, std::uint32_t index, const std::string& pointer)
{
    const std::uint32_t attributes = m_doc.member(node, "attributes");
    if (attributes == kNoNode) {
        return true;
    }
    if (m_doc.type(attributes) != JsonType::Object) {
        return fail(pointer + "/attributes", "must be an object of attribute names and value arrays");
    }
    const Schema& schema = m_directory->getSchema();
    m_attrIds.clear();
    for (std::uint32_t key = m_doc.first(attributes); key != kNoNode; key = m_doc.next(m_doc.next(key))) {
        const std::string_view name = m_doc.text(key);
        const std::uint32_t values = m_doc.next(key);
        const auto attrPointer = [&]() { return pointer + "/attributes/" + PointerToken(name); };
        const int attrId = schema.findAttribute(name);
        if (attrId == kNoSchemaId) {
            return fail(attrPointer(), "unknown attribute " + Quoted(name));
        }
        const AttributeDef& def = schema.attribute(attrId);
        if (attrId == m_objectClassAttr) {
            return fail(attrPointer(), "\"Object Class\" is derived from \"class\" and \"auxClasses\"");
        }
        if (std::find(m_attrIds.begin(), m_attrIds.end(), attrId) != m_attrIds.end()) {
            return fail(attrPointer(), "attribute " + Quoted(def.name) + " is given twice");
        }
        m_attrIds.push_back(attrId);
        if (m_doc.type(values) != JsonType::Array || m_doc.size(values) == 0) {
            return fail(attrPointer(), "must be a non-empty array of values");
        }
        const bool single = (def.flags & DS_SINGLE_VALUED_ATTR) != 0 || def.syntaxId == SYN_STREAM;
        if (single && m_doc.size(values) > 1) {
            return fail(attrPointer(),
                "single-valued attribute " + Quoted(def.name) + " holds " + std::to_string(m_doc.size(values)) +
                    " values");
        }
        m_directory->addAttribute(attrId);
        std::uint32_t j = 0;
        for (std::uint32_t item = m_doc.first(values); item != kNoNode; item = m_doc.next(item), ++j) {
            if (!EncodeTreeValue(m_doc, item, def.syntaxId, schema, &m_wire, &m_problem)) {
                return fail(attrPointer() + "/" + std::to_string(j), m_problem);
            }
            if (def.syntaxId == SYN_DIST_NAME) {
                m_pendingNames.push_back(PendingName {index, keep(name), attrId, j});
            }
            m_directory->addValue(m_wire);
        }
    }
    return true;
}

bool TreeLoader::convertObject(std::uint32_t node, std::uint32_t index)
{
    if (index == 0) {
        // Generous guesses (room never touched costs no memory): an object
        // per 200 bytes of file, an attribute and a value per 40.
        const std::size_t objects = m_text.size() / 200 + 16;
        m_names.reserve(objects);
        m_byName.reserve(objects);
        m_directory->reserve(objects, m_text.size() / 40 + 16, m_text.size() / 40 + 16);
    }
    if (!loadObject(node, index)) {
        return false;
    }
    const std::uint32_t holder = m_byName.insert(index);
    if (holder != index) {
        return fail(objectPointer(index) + "/name",
            Quoted(m_names[index]) + " is already the name of " + objectPointer(holder));
    }
    return true;
}

bool TreeLoader::linkObjects()
{
    const auto count = static_cast<std::uint32_t>(m_names.size());
    // Object i of the file is object i + 1 of the directory.
    const auto placed = [](std::uint32_t i) { return i + 1; };
    // Parents: every object's parent must be in the file and be a container.
    const Schema& schema = m_directory->getSchema();
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
            return fail(
                objectPointer(i) + "/name", "parent " + Quoted(parent) + " of " + Quoted(name) + " is not in the file");
        }
        const ClassDef& parentClass = schema.getClassDef(m_directory->object(placed(found)).classId);
        if (!m_ldapBase && (parentClass.flags & DS_CONTAINER_CLASS) == 0) {
            return fail(objectPointer(i) + "/name",
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
        const ObjectRecord& object = m_directory->object(placed(i));
        const std::size_t own = m_namingLength[static_cast<std::size_t>(object.classId)] + 1 + object.rdn.size();
        typedLength[i] =
            static_cast<std::uint32_t>(own + (parentOf[i] == kNoObject ? 0 : typedLength[parentOf[i]] + 1));
        if (typedLength[i] + 1 > kMaxNameChars) {
            return fail(objectPointer(i) + "/name",
                "name " + Quoted(m_names[i]) + " is longer than 255 characters in typed form");
        }
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        m_directory->attach(placed(i), parentOf[i] == kNoObject ? kRootObject : placed(parentOf[i]));
    }
    m_directory->finish();
    // Distinguished names must name objects of the file; they take the
    // spelling of the object they name.
    for (const PendingName& pending : m_pendingNames) {
        const std::vector<std::string_view> values = m_directory->storedValues(placed(pending.object), pending.attrId);
        const std::string_view value = values.at(pending.valueIndex);
        const std::uint32_t found = m_byName.find(value);
        if (found == kNoObject) {
            return fail(objectPointer(pending.object) + "/attributes/" + PointerToken(pending.key) + "/" +
                    std::to_string(pending.valueIndex),
                Quoted(value) + " is not an object in the file");
        }
        m_directory->replaceValue(
            placed(pending.object), pending.attrId, pending.valueIndex, m_directory->fullName(placed(found)));
    }
    return true;
}

std::uint32_t NameIndex::insert(std::uint32_t index)
{
    if ((m_count + 1) * 2 > m_slots.size()) {
        grow(m_slots.empty() ? 1024 : m_slots.size() * 2);
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
        grow(slots);
    }
}

void NameIndex::grow(std::size_t slots)
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
