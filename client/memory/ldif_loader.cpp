#include "client/memory/ldif_loader.h"

#include "client/ldap/dn.h"
#include "client/ldap/entry_classes.h"
#include "client/ldap/ldap_directory.h"
#include "client/ldap/schema_parse.h"
#include "client/ldap/value_forms.h"
#include "client/memory/ldif_reader.h"
#include "client/values.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace veralith::client::memory {

namespace {

constexpr std::string_view kImpliedClass = "Implied Container";

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// Well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing
// past U+10FFFF.
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) {
                return false;
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF))) {
            return false;
        }
        i += length;
    }
    return true;
}

// Printable strings hold letters, digits and " '()+,-./:?="; numeric strings
// digits and blanks (as a server checks them, and tree files).
bool FitsCharacterSet(std::uint32_t syntaxId, std::string_view value)
{
    if (syntaxId == SYN_PR_STRING) {
        return std::all_of(value.begin(), value.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                (c != '\0' && std::string_view(" '()+,-./:?=").find(c) != std::string_view::npos);
        });
    }
    if (syntaxId == SYN_NU_STRING) {
        return std::all_of(value.begin(), value.end(), [](char c) { return (c >= '0' && c <= '9') || c == ' '; });
    }
    return true;
}

bool HasControl(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string_view BaseType(std::string_view description)
{
    return description.substr(0, description.find(';'));
}

bool IsSchemaRecord(const LdifRecord& record)
{
    for (const LdifValue& v : record.values) {
        const std::string_view type = BaseType(v.description);
        if (SameTextIgnoreCase(type, "attributeTypes") || SameTextIgnoreCase(type, "objectClasses")) {
            return true;
        }
    }
    return false;
}

// The first subschema record of an LDIF text, as a schema. False with
// *error on a fault of the text; *found tells whether it held one.
bool ReadSchemaRecord(std::string_view text, const std::string& fileName, Schema* schema,
    std::unordered_map<std::string, std::string>* aliases, bool* found, std::string* error)
{
    *found = false;
    LdifReader reader(text, fileName);
    LdifRecord record;
    for (bool done = false;;) {
        if (!reader.Next(&record, &done)) {
            *error = reader.Error();
            return false;
        }
        if (done) {
            return true;
        }
        if (!IsSchemaRecord(record)) {
            continue;
        }
        std::vector<std::string> types;
        std::vector<std::string> classes;
        for (LdifValue& v : record.values) {
            const std::string_view type = BaseType(v.description);
            if (SameTextIgnoreCase(type, "attributeTypes")) {
                types.push_back(std::move(v.value));
            } else if (SameTextIgnoreCase(type, "objectClasses")) {
                classes.push_back(std::move(v.value));
            }
        }
        aliases->clear();
        *schema = ldap::BuildSchema(types, classes, aliases);
        *found = true;
        return true;
    }
}

// The classes every directory read from LDIF has besides its schema: the
// root's, and the one of the ancestors a file leaves out.
void AddTreeClasses(Schema& schema)
{
    ClassDef root;
    root.name = "Tree Root";
    root.flags = DS_CONTAINER_CLASS | DS_EFFECTIVE_CLASS;
    schema.AddClass(root);
    ClassDef implied;
    implied.name = std::string(kImpliedClass);
    implied.flags = DS_CONTAINER_CLASS | DS_EFFECTIVE_CLASS;
    schema.AddClass(implied);
}

// One entry of the file on its way into the directory.
struct Entry
{
    std::vector<ldap::DnComponent> components; // leaf first
    std::string dn; // as the file writes it
    std::size_t line = 0;
    StoredObject object;
};

class LdifLoader
{
public:
    LdifLoader(std::string_view text, const std::string& fileName, std::vector<std::string>* warnings)
        : m_text(text)
        , m_file(fileName)
        , m_warnings(warnings)
    { }

    bool Load(const std::string& schemaFile, std::shared_ptr<MemoryDirectory>* result, std::string* error);

private:
    bool Fail(std::size_t line, const std::string& what)
    {
        m_error = m_file + ":" + std::to_string(line) + ": " + what;
        return false;
    }
    void Warn(std::size_t line, const std::string& what)
    {
        if (m_warnings != nullptr) {
            m_warnings->push_back(m_file + ":" + std::to_string(line) + ": " + what);
        }
    }
    bool ChooseSchema(const std::string& schemaFile);
    bool TakeEntry(LdifRecord& record);
    // The schema id of an attribute description (options and other names
    // of the attribute understood), or kNoSchemaId.
    int KnownAttribute(std::string_view description) const;
    // The attribute type of a DN's relative name as the names write it: a
    // name stays, an OID becomes the name the schema gives it (a dotted
    // type would split the dotted names). False, with *error, for a type
    // that is neither or an OID no schema defines.
    bool NameTheType(std::string* type, std::string* error) const;
    // The same, adding an attribute in no schema as a case-ignore string
    // with a warning naming the line (none for line 0).
    int AttributeOf(std::string_view description, std::size_t line);
    bool Build(std::shared_ptr<MemoryDirectory>* result);

    std::string_view m_text;
    std::string m_file;
    std::vector<std::string>* m_warnings;
    std::string m_error;
    Schema m_schema;
    std::unordered_map<std::string, std::string> m_aliases; // folded alias -> schema name
    int m_objectClass = kNoSchemaId;
    std::vector<Entry> m_entries;
    std::unordered_map<int, std::string> m_namingOf; // class id -> naming type of its entries
};

bool LdifLoader::ChooseSchema(const std::string& schemaFile)
{
    bool found = false;
    if (!ReadSchemaRecord(m_text, m_file, &m_schema, &m_aliases, &found, &m_error)) {
        return false;
    }
    if (!found && !schemaFile.empty()) {
        std::ifstream in(schemaFile, std::ios::binary);
        std::ostringstream text;
        if (!in || !(text << in.rdbuf())) {
            m_error = schemaFile + ": cannot read the schema file";
            return false;
        }
        if (!ReadSchemaRecord(text.str(), schemaFile, &m_schema, &m_aliases, &found, &m_error)) {
            return false;
        }
        if (!found) {
            m_error = schemaFile + ": no subschema record (attributeTypes, objectClasses) in the schema file";
            return false;
        }
    }
    if (!found) {
        m_schema = BuiltinLdapSchema(&m_aliases);
    } else {
        AddTreeClasses(m_schema);
    }
    m_objectClass = AttributeOf("objectClass", 0);
    return true;
}

int LdifLoader::KnownAttribute(std::string_view description) const
{
    const std::string_view type = BaseType(description);
    if (const int id = m_schema.FindAttribute(type); id != kNoSchemaId) {
        return id;
    }
    const auto it = m_aliases.find(FoldCase(type));
    return it == m_aliases.end() ? kNoSchemaId : m_schema.FindAttribute(it->second);
}

bool LdifLoader::NameTheType(std::string* type, std::string* error) const
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const std::string& t = *type;
    if (!t.empty() && isLetter(t.front()) &&
        std::all_of(t.begin(), t.end(), [&](char c) { return isLetter(c) || isDigit(c) || c == '-'; })) {
        return true;
    }
    bool oid = !t.empty() && t.front() != '.' && t.back() != '.' && t.find("..") == std::string::npos;
    oid = oid && std::all_of(t.begin(), t.end(), [&](char c) { return isDigit(c) || c == '.'; });
    if (!oid) {
        *error = "has the attribute type " + Quote(t) + ", which is neither a name nor an OID";
        return false;
    }
    for (const AttributeDef& def : m_schema.Attributes()) {
        if (def.oid == t) {
            *type = def.name;
            return true;
        }
    }
    *error = "names an attribute by the OID " + Quote(t) + ", which no schema defines";
    return false;
}

int LdifLoader::AttributeOf(std::string_view description, std::size_t line)
{
    if (const int id = KnownAttribute(description); id != kNoSchemaId) {
        return id;
    }
    const std::string_view type = BaseType(description);
    AttributeDef def;
    def.name = std::string(type);
    def.syntaxId = SYN_CI_STRING;
    def.flags = DS_STRING_ATTR;
    m_schema.AddAttribute(def);
    if (line != 0) {
        Warn(line, "attribute " + Quote(type) + " is in no schema; its values are taken as case-ignore strings");
    }
    return m_schema.FindAttribute(type);
}

bool LdifLoader::TakeEntry(LdifRecord& record)
{
    Entry entry;
    entry.line = record.line;
    entry.dn = record.dn;
    // A DN is UTF-8 text (RFC 4514) and each of its values names something:
    // names of other bytes or of an empty value could not be looked up.
    if (!IsUtf8(record.dn)) {
        return Fail(record.line, "the distinguished name is not UTF-8");
    }
    if (!ldap::ParseDn(record.dn, &entry.components)) {
        return Fail(record.line, Quote(record.dn) + " is not a distinguished name");
    }
    for (const ldap::DnComponent& component : entry.components) {
        bool empty = component.value.empty();
        bool utf8 = IsUtf8(component.value);
        for (const ldap::DnPart& part : component.more) {
            empty = empty || part.value.empty();
            utf8 = utf8 && IsUtf8(part.value);
        }
        if (empty) {
            return Fail(record.line, Quote(record.dn) + " has a relative name with an empty value");
        }
        if (!utf8) {
            return Fail(record.line, Quote(record.dn) + " escapes bytes that are not UTF-8");
        }
        bool control = HasControl(component.value);
        for (const ldap::DnPart& part : component.more) {
            control = control || HasControl(part.value);
        }
        if (control) {
            return Fail(record.line, "the distinguished name holds a control character");
        }
    }
    if (entry.components.empty()) {
        return Fail(record.line, "an entry needs a distinguished name (the root is no entry)");
    }
    for (ldap::DnComponent& component : entry.components) {
        std::string problem;
        bool named = NameTheType(&component.type, &problem);
        for (ldap::DnPart& part : component.more) {
            named = named && NameTheType(&part.type, &problem);
        }
        if (!named) {
            return Fail(record.line, Quote(record.dn) + " " + problem);
        }
    }
    std::vector<std::string_view> objectClasses;
    std::size_t classLine = record.line;
    for (const LdifValue& v : record.values) {
        if (KnownAttribute(v.description) == m_objectClass) {
            objectClasses.push_back(v.value);
            classLine = v.line;
        }
    }
    std::vector<std::string> aux;
    std::string base = ldap::ClassesOfEntry(m_schema, objectClasses, &aux);
    if (base.empty()) {
        base = "top";
    }
    int classId = m_schema.FindClass(base);
    if (classId == kNoSchemaId) {
        ClassDef def;
        def.name = base;
        def.flags = DS_EFFECTIVE_CLASS;
        m_schema.AddClass(def);
        classId = m_schema.FindClass(base);
        Warn(classLine, "object class " + Quote(base) + " is in no schema; it is taken as a structural class");
    }
    // A class takes the naming type of the first entry of it, so that typed
    // names read as the DNs write them.
    m_namingOf.try_emplace(classId, ldap::NamingTypes({entry.components.front()}).front());
    entry.object.classId = classId;
    for (const std::string& name : aux) {
        entry.object.auxClasses.push_back(m_schema.FindClass(name));
    }
    const ldap::DnToName nameOf = [](std::string_view dn) {
        std::vector<ldap::DnComponent> components;
        if (!ldap::ParseDn(dn, &components)) {
            return std::string(dn);
        }
        // Each value escaped as in the entries' own names ("a\\.b" for "a.b").
        std::string name;
        for (const ldap::DnComponent& component : components) {
            name += (name.empty() ? "" : ".") + ldap::ComponentName(component, false);
        }
        return name;
    };
    auto& attributes = entry.object.attributes;
    for (LdifValue& v : record.values) {
        const int id = AttributeOf(v.description, v.line);
        const AttributeDef& def = m_schema.Attribute(id);
        std::string wire;
        if (!ldap::LdapValueToWire(def.syntaxId, v.value, nameOf, &wire) || !FitsCharacterSet(def.syntaxId, v.value)) {
            return Fail(v.line,
                "the value of " + Quote(v.description) + " is not of its syntax (" + std::to_string(def.syntaxId) +
                    ")");
        }
        if (SameTextIgnoreCase(def.name, "createTimestamp")) {
            ldap::ParseGeneralizedTime(v.value, &entry.object.created);
        } else if (SameTextIgnoreCase(def.name, "modifyTimestamp")) {
            ldap::ParseGeneralizedTime(v.value, &entry.object.modified);
        }
        auto at = std::find_if(
            attributes.begin(), attributes.end(), [id](const StoredAttribute& a) { return a.attrId == id; });
        if (at == attributes.end()) {
            attributes.push_back(StoredAttribute {id, {}});
            at = attributes.end() - 1;
        } else if ((def.flags & DS_SINGLE_VALUED_ATTR) != 0) {
            return Fail(v.line, "the single-valued attribute " + Quote(def.name) + " is given a second value");
        }
        at->values.push_back(std::move(wire));
    }
    std::sort(attributes.begin(), attributes.end(),
        [](const StoredAttribute& a, const StoredAttribute& b) { return a.attrId < b.attrId; });
    m_entries.push_back(std::move(entry));
    return true;
}

bool LdifLoader::Build(std::shared_ptr<MemoryDirectory>* result)
{
    if (m_entries.empty()) {
        m_error = m_file + ": the file holds no entries";
        return false;
    }
    // Parents before children: by the number of components, file order kept.
    std::stable_sort(m_entries.begin(), m_entries.end(),
        [](const Entry& a, const Entry& b) { return a.components.size() < b.components.size(); });
    const Entry& top = m_entries.front();
    const std::string topDn = ldap::FormatDn(top.components);
    std::string stem = m_file.substr(m_file.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find('.'));
    // The ancestors a file leaves out are those above its top entry: their
    // class takes the type of its top component ("dc" of "dc=com").
    m_namingOf.try_emplace(m_schema.FindClass(kImpliedClass), ldap::NamingTypes({top.components.back()}).front());
    // The schema with the naming types the entries gave their classes.
    Schema schema;
    for (const AttributeDef& def : m_schema.Attributes()) {
        schema.AddAttribute(def);
    }
    for (std::size_t i = 0; i < m_schema.Classes().size(); ++i) {
        ClassDef def = m_schema.Classes()[i];
        if (const auto it = m_namingOf.find(static_cast<int>(i)); it != m_namingOf.end() && def.naming.empty()) {
            def.naming.push_back(it->second);
        }
        schema.AddClass(std::move(def));
    }
    auto directory = std::make_shared<MemoryDirectory>(
        ldap::TreeNameFromBase(topDn, stem), ldap::TypelessName(top.components), std::move(schema));
    directory->StoreNamingValues();
    // As the LDAP service: a name keeps the type of a component whose value
    // alone would name a sibling too.
    directory->SetNamesCarryTypes(true);
    directory->reserve(m_entries.size());
    const int implied = m_schema.FindClass(kImpliedClass);
    directory->SetImpliedClass(implied);
    // Names as the LDAP service gives them: a component is written with its
    // type when a sibling has the same value under another naming attribute.
    // parent DN -> value -> the types it is named by (a DN given twice counts once)
    std::unordered_map<std::string, std::unordered_map<std::string, std::unordered_set<std::string>>> valuesBelow;
    for (const Entry& entry : m_entries) {
        if (!entry.components.empty() && entry.components.front().more.empty()) {
            const ldap::DnComponent& leaf = entry.components.front();
            valuesBelow[FoldCase(ldap::FormatDnFrom(entry.components, 1))][FoldCase(leaf.value)].insert(
                FoldCase(leaf.type));
        }
    }
    const auto componentName = [&](const std::vector<ldap::DnComponent>& components, std::size_t at) {
        const ldap::DnComponent& component = components[at];
        bool typed = false;
        if (component.more.empty()) {
            const auto siblings = valuesBelow.find(FoldCase(ldap::FormatDnFrom(components, at + 1)));
            if (siblings != valuesBelow.end()) {
                const auto count = siblings->second.find(FoldCase(component.value));
                typed = count != siblings->second.end() && count->second.size() > 1;
            }
        }
        return ldap::ComponentName(component, typed);
    };
    const auto nameOf = [&](const std::vector<ldap::DnComponent>& components) {
        std::string name;
        for (std::size_t at = 0; at < components.size(); ++at) {
            name += (at == 0 ? "" : ".") + componentName(components, at);
        }
        return name;
    };
    // The default name context in the spelling of the entries' names.
    directory->SetDefaultNameContext(nameOf(top.components));
    std::unordered_map<std::string, std::pair<std::uint32_t, std::size_t>> byName; // folded name -> index, line
    byName.reserve(m_entries.size());
    for (Entry& entry : m_entries) {
        // Names the client carries: components of at most kMaxRdnChars, the
        // whole name within kMaxNameChars even with every type written.
        std::size_t typedLength = 0;
        for (std::size_t at = 0; at < entry.components.size(); ++at) {
            const std::size_t length = componentName(entry.components, at).size();
            if (length > kMaxRdnChars) {
                return Fail(entry.line,
                    "the name of " + Quote(ldap::FormatDn(entry.components)) + " has a component of " +
                        std::to_string(length) + " characters (at most " + std::to_string(kMaxRdnChars) +
                        " are carried)");
            }
            if (componentName(entry.components, at).front() == '[') {
                return Fail(entry.line,
                    "the name of " + Quote(ldap::FormatDn(entry.components)) +
                        " has a component that starts with \"[\" (names in brackets are the client's own)");
            }
            typedLength += (at == 0 ? 0 : 1) + entry.components[at].type.size() + 1 + length;
        }
        if (typedLength >= kMaxNameChars) {
            return Fail(entry.line,
                "the name of " + Quote(ldap::FormatDn(entry.components)) + " is longer than " +
                    std::to_string(kMaxNameChars - 1) + " characters in typed form");
        }
        const std::string key = FoldCase(nameOf(entry.components));
        if (const auto it = byName.find(key); it != byName.end()) {
            return Fail(entry.line,
                "the entry " + Quote(ldap::FormatDn(entry.components)) + " has the name " +
                    Quote(nameOf(entry.components)) + " of the entry of line " + std::to_string(it->second.second));
        }
        // The parent, and any ancestor the file leaves out.
        std::uint32_t parent = kRootObject;
        for (std::size_t k = entry.components.size() - 1; k >= 1; --k) {
            const std::vector<ldap::DnComponent> above(
                entry.components.begin() + static_cast<std::ptrdiff_t>(k), entry.components.end());
            const std::string aboveKey = FoldCase(nameOf(above));
            if (const auto it = byName.find(aboveKey); it != byName.end()) {
                parent = it->second.first;
                continue;
            }
            StoredObject placeholder;
            placeholder.rdn = componentName(above, 0);
            placeholder.parent = parent;
            placeholder.classId = implied;
            parent = directory->AddObject(std::move(placeholder));
            byName.emplace(aboveKey, std::make_pair(parent, std::size_t {0}));
        }
        entry.object.rdn = componentName(entry.components, 0);
        entry.object.parent = parent;
        const std::uint32_t index = directory->AddObject(std::move(entry.object));
        directory->SetDistinguishedName(index, std::move(entry.dn));
        byName.emplace(key, std::make_pair(index, entry.line));
    }
    directory->Finish();
    *result = std::move(directory);
    return true;
}

bool LdifLoader::Load(const std::string& schemaFile, std::shared_ptr<MemoryDirectory>* result, std::string* error)
{
    bool ok = ChooseSchema(schemaFile);
    if (ok) {
        LdifReader reader(m_text, m_file);
        LdifRecord record;
        for (bool done = false; ok;) {
            if (!reader.Next(&record, &done)) {
                m_error = reader.Error();
                ok = false;
            } else if (done) {
                break;
            } else if (!IsSchemaRecord(record)) {
                ok = TakeEntry(record);
            }
        }
    }
    ok = ok && Build(result);
    if (!ok) {
        *error = m_error;
    }
    return ok;
}

} // namespace

Schema BuiltinLdapSchema(std::unordered_map<std::string, std::string>* aliases)
{
    // Built once: every LDIF source without a schema starts from it.
    static const auto kBuiltin = [] {
        std::pair<Schema, std::unordered_map<std::string, std::string>> builtin;
        bool read = false;
        std::string ignored;
        ReadSchemaRecord(
            BuiltinLdapSchema(), "data/ldap-schema.ldif", &builtin.first, &builtin.second, &read, &ignored);
        AddTreeClasses(builtin.first);
        return builtin;
    }();
    if (aliases != nullptr) {
        *aliases = kBuiltin.second;
    }
    return kBuiltin.first;
}

bool LooksLikeLdif(std::string_view text)
{
    std::size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3;
    }
    // The first line that is neither empty, a comment nor a continuation
    // decides; only its head is looked at, so that a tree file written on one
    // line is not scanned to its end.
    const auto startsWith = [&text](std::size_t at, std::string_view head) {
        return text.size() - at >= head.size() && SameTextIgnoreCase(text.substr(at, head.size()), head);
    };
    while (pos < text.size()) {
        const char first = text[pos];
        const bool empty = first == '\n' || (first == '\r' && (pos + 1 == text.size() || text[pos + 1] == '\n'));
        if (!empty && first != '#' && first != ' ') {
            return startsWith(pos, "version:") || startsWith(pos, "dn:");
        }
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            break;
        }
        pos = end + 1;
    }
    return false;
}

bool LoadLdifText(std::string_view text, const std::string& fileName, const std::string& schemaFile,
    std::shared_ptr<MemoryDirectory>* directory, std::vector<std::string>* warnings, std::string* error)
{
    LdifLoader loader(text, fileName, warnings);
    return loader.Load(schemaFile, directory, error);
}

} // namespace veralith::client::memory
