#include "client/memory/snapshot.h"

#include "client/ldap/dn.h"
#include "client/memory/base_schema.h"
#include "client/memory/ldif_loader.h"
#include "client/memory/ldif_reader.h"
#include "client/name_syntax.h"
#include "client/names.h"
#include "client/syntax_traits.h"
#include "client/values.h"
#include "client/wire.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

namespace veralith::client::memory {

namespace {

constexpr const char* kImpliedClass = "Implied Container";

struct SnapshotObject
{
    ObjectSummary summary;
    std::vector<AttributeData> attributes;
    bool implied = false;
};

std::string JsonText(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonBytes(std::string_view bytes)
{
    return "\"base64:" + EncodeBase64(bytes) + "\"";
}

std::string JsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i > 0 ? ", " : "") + JsonText(items[i]);
    }
    return out + "]";
}

// The tree's name as a tree file can hold it: 1 to 32 letters, digits,
// "_" and "-", not ending in "_"; anything else becomes "-".
std::string TreeFileName(std::string name)
{
    for (char& c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_' && c != '-') {
            c = '-';
        }
    }
    name.resize(std::min<std::size_t>(name.size(), kMaxTreeNameChars));
    while (!name.empty() && name.back() == '_') {
        name.pop_back();
    }
    return name.empty() ? std::string("TREE") : name;
}

// The objects of a subtree search from the root, parents first, with the
// ancestors the search does not deliver.
DirResult CollectObjects(DirectoryService& service, std::vector<SnapshotObject>* objects, std::string* error)
{
    std::unique_ptr<ObjectCursor> cursor;
    if (const DirResult rc = service.OpenSearch("", 2, nullptr, &cursor); rc != 0) {
        *error = "the search of the tree failed";
        return rc;
    }
    std::unordered_set<std::string> names;
    while (true) {
        SnapshotObject object;
        bool done = false;
        if (const DirResult rc = cursor->Next(&object.summary, &done); rc != 0) {
            *error = "the search of the tree failed";
            return rc;
        }
        if (done) {
            break;
        }
        if (!names.insert(FoldCase(object.summary.fullName)).second) {
            continue;
        }
        objects->push_back(std::move(object));
    }
    for (SnapshotObject& object : *objects) {
        if (const DirResult rc = service.ReadAttributes(object.summary.fullName, nullptr, &object.attributes);
            rc != 0) {
            *error = "reading \"" + object.summary.fullName + "\" failed";
            return rc;
        }
    }
    // Ancestors left out, from the top.
    std::vector<SnapshotObject> implied;
    for (const SnapshotObject& object : *objects) {
        std::vector<NameComponent> parts = SplitTypeless(object.summary.fullName);
        for (std::size_t k = parts.size(); k-- > 1;) {
            const std::vector<NameComponent> above(parts.begin() + static_cast<std::ptrdiff_t>(k), parts.end());
            const std::string name = JoinTypeless(above);
            if (names.insert(FoldCase(name)).second) {
                SnapshotObject ancestor;
                ancestor.summary.fullName = name;
                ancestor.summary.baseClass = kImpliedClass;
                ancestor.summary.namingTypes = service.NamingTypes(name);
                ancestor.implied = true;
                implied.push_back(std::move(ancestor));
            }
        }
    }
    objects->insert(objects->end(), std::make_move_iterator(implied.begin()), std::make_move_iterator(implied.end()));
    std::stable_sort(objects->begin(), objects->end(), [](const SnapshotObject& a, const SnapshotObject& b) {
        return SplitTypeless(a.summary.fullName).size() < SplitTypeless(b.summary.fullName).size();
    });
    return 0;
}

// One wire value as the tree file writes it; false for a malformed value.
bool JsonValue(std::uint32_t syntax, std::string_view wire, std::string* out)
{
    WireReader r(wire);
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::string_view s;
    std::string_view t;
    const TreeShape shape = TraitsOfSyntax(syntax).tree;
    switch (shape) {
    case TreeShape::Name:
    case TreeShape::Text:
    case TreeShape::DigitsText:
    case TreeShape::PrintableText:
    case TreeShape::ClassName:
        *out = JsonText(wire);
        return true;
    case TreeShape::TextList:
    case TreeShape::ByteList:
    case TreeShape::PostalLines: {
        if (!r.U32(&a)) {
            return false;
        }
        *out = "[";
        for (std::uint32_t i = 0; i < a; ++i) {
            if (!r.Bytes(&s)) {
                return false;
            }
            *out += (i > 0 ? ", " : "") + (shape == TreeShape::ByteList ? JsonBytes(s) : JsonText(s));
        }
        *out += "]";
        return r.AtEnd();
    }
    case TreeShape::Flag: {
        std::uint8_t v = 0;
        if (!r.U8(&v)) {
            return false;
        }
        *out = v == 0 ? "false" : (v == 1 ? "true" : std::to_string(v));
        return r.AtEnd();
    }
    case TreeShape::Integer:
        if (!r.U32(&a)) {
            return false;
        }
        *out = std::to_string(static_cast<std::int32_t>(a));
        return r.AtEnd();
    case TreeShape::Time:
        if (!r.U32(&a)) {
            return false;
        }
        *out = std::to_string(a);
        return r.AtEnd();
    case TreeShape::UnknownRecord:
        if (!r.U32(&a)) {
            return false;
        }
        *out = "{ \"number\": " + std::to_string(a) + ", \"bytes\": " + JsonBytes(r.Rest()) + " }";
        return true;
    case TreeShape::FaxRecord: {
        if (!r.Bytes(&s) || !r.U32(&a)) {
            return false;
        }
        *out = "{ \"number\": " + JsonText(s) + ", \"parameters\": " + JsonBytes(r.Rest()) + " }";
        return true;
    }
    case TreeShape::NetAddressRecord:
    case TreeShape::EmailRecord:
        if (!r.U32(&a)) {
            return false;
        }
        *out = "{ \"type\": " + std::to_string(a) +
            ", \"address\": " + (shape == TreeShape::NetAddressRecord ? JsonBytes(r.Rest()) : JsonText(r.Rest())) +
            " }";
        return true;
    case TreeShape::PathRecord:
        if (!r.U32(&a) || !r.Bytes(&s)) {
            return false;
        }
        *out = "{ \"nameSpace\": " + std::to_string(a) + ", \"volume\": " + JsonText(s) +
            ", \"path\": " + JsonText(r.Rest()) + " }";
        return true;
    case TreeShape::ReplicaRecord: {
        std::uint32_t count = 0;
        if (!r.Bytes(&s) || !r.U32(&a) || !r.U32(&b) || !r.U32(&count)) {
            return false;
        }
        *out = "{ \"server\": " + JsonText(s) + ", \"type\": " + std::to_string(a) +
            ", \"number\": " + std::to_string(b) + ", \"addresses\": [";
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!r.U32(&a) || !r.Bytes(&t)) {
                return false;
            }
            *out += std::string(i > 0 ? ", " : "") + "{ \"type\": " + std::to_string(a) +
                ", \"address\": " + JsonBytes(t) + " }";
        }
        *out += "] }";
        return r.AtEnd();
    }
    case TreeShape::AclRecord:
        if (!r.Bytes(&s) || !r.Bytes(&t) || !r.U32(&a)) {
            return false;
        }
        *out = "{ \"attribute\": " + JsonText(s) + ", \"subject\": " + JsonText(t) +
            ", \"rights\": " + std::to_string(a) + " }";
        return r.AtEnd();
    case TreeShape::TimeStampRecord: {
        std::uint16_t replica = 0;
        std::uint16_t event = 0;
        if (!r.U32(&a) || !r.U16(&replica) || !r.U16(&event)) {
            return false;
        }
        *out = "{ \"time\": " + std::to_string(a) + ", \"replica\": " + std::to_string(replica) +
            ", \"event\": " + std::to_string(event) + " }";
        return r.AtEnd();
    }
    case TreeShape::BackLinkRecord:
        if (!r.U32(&a)) {
            return false;
        }
        *out = "{ \"remoteId\": " + std::to_string(a) + ", \"name\": " + JsonText(r.Rest()) + " }";
        return true;
    case TreeShape::TypedNameRecord:
        if (!r.U32(&a) || !r.U32(&b)) {
            return false;
        }
        *out = "{ \"name\": " + JsonText(r.Rest()) + ", \"level\": " + std::to_string(a) +
            ", \"interval\": " + std::to_string(b) + " }";
        return true;
    case TreeShape::HoldRecord:
        if (!r.U32(&a)) {
            return false;
        }
        *out = "{ \"name\": " + JsonText(r.Rest()) + ", \"amount\": " + std::to_string(a) + " }";
        return true;
    case TreeShape::Bytes: // octet strings, streams and syntaxes past the known ones
        *out = JsonBytes(wire);
        return true;
    }
    return false;
}

DirResult WriteTreeFile(DirectoryService& service, const std::vector<SnapshotObject>& objects, std::string* text,
    std::vector<std::string>* warnings)
{
    const Schema& schema = service.GetSchema();
    // Directories of LDAP servers and LDIF files have no "Object Class" of
    // their own making (their objectClass knows it only as a further name):
    // their tree file starts from the LDAP schema.
    const int objectClass = schema.FindAttribute("Object Class");
    const bool ldapBase =
        objectClass == kNoSchemaId || !SameTextIgnoreCase(schema.Attribute(objectClass).name, "Object Class");
    const Schema base = ldapBase ? BuiltinLdapSchema(nullptr) : BaseSchema();
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, bool> parents; // folded class name -> holds objects
    std::unordered_map<std::string, std::string> namingOf; // folded class name -> naming type of its objects
    for (const SnapshotObject& object : objects) {
        names.insert(FoldCase(object.summary.fullName));
        if (!object.summary.namingTypes.empty()) {
            namingOf.try_emplace(FoldCase(object.summary.baseClass), object.summary.namingTypes.front());
        }
        std::vector<NameComponent> parts = SplitTypeless(object.summary.fullName);
        if (parts.size() > 1) {
            parts.erase(parts.begin());
            parents.emplace(JoinTypeless(parts), true);
        }
    }
    std::unordered_set<std::string> containers; // folded class names
    for (const SnapshotObject& object : objects) {
        if (parents.count(object.summary.fullName) != 0) {
            containers.insert(FoldCase(object.summary.baseClass));
        }
    }
    // The schema additions: every attribute and class the base schema lacks.
    auto known = [&](std::string_view name, bool attribute) {
        return attribute ? (base.FindAttribute(name) != kNoSchemaId || schema.FindAttribute(name) != kNoSchemaId)
                         : (base.FindClass(name) != kNoSchemaId || schema.FindClass(name) != kNoSchemaId);
    };
    auto knownOnly = [&](const std::vector<std::string>& list, bool attribute) {
        std::vector<std::string> out;
        for (const std::string& name : list) {
            if (known(name, attribute)) {
                out.push_back(name);
            }
        }
        return out;
    };
    std::string attributes;
    for (const AttributeDef& def : schema.Attributes()) {
        if (base.FindAttribute(def.name) != kNoSchemaId) {
            continue;
        }
        attributes += std::string(attributes.empty() ? "" : ",\n") + "    { \"name\": " + JsonText(def.name) +
            ", \"syntax\": " + std::to_string(def.syntaxId) +
            ", \"flags\": " + std::to_string(def.flags & (DS_SINGLE_VALUED_ATTR | DS_STRING_ATTR)) + " }";
    }
    std::string classes;
    bool impliedDefined = false;
    for (const ClassDef& def : schema.Classes()) {
        if (base.FindClass(def.name) != kNoSchemaId) {
            continue;
        }
        impliedDefined = impliedDefined || SameTextIgnoreCase(def.name, kImpliedClass);
        std::uint32_t flags = def.flags & (DS_CONTAINER_CLASS | DS_EFFECTIVE_CLASS | DS_AUXILIARY_CLASS);
        if (containers.count(FoldCase(def.name)) != 0 || SameTextIgnoreCase(def.name, kImpliedClass)) {
            flags |= DS_CONTAINER_CLASS;
        }
        std::vector<std::string> naming = knownOnly(def.naming, true);
        if (const auto it = namingOf.find(FoldCase(def.name)); naming.empty() && it != namingOf.end()) {
            naming = knownOnly({it->second}, true);
        }
        classes += std::string(classes.empty() ? "" : ",\n") + "    { \"name\": " + JsonText(def.name) +
            ", \"flags\": " + std::to_string(flags) +
            ", \"superClasses\": " + JsonList(knownOnly(def.superClasses, false)) +
            ", \"naming\": " + JsonList(naming) + ", \"mandatory\": " + JsonList(knownOnly(def.mandatory, true)) +
            ", \"optional\": " + JsonList(knownOnly(def.optional, true)) + " }";
    }
    if (!impliedDefined && base.FindClass(kImpliedClass) == kNoSchemaId) {
        classes += std::string(classes.empty() ? "" : ",\n") + "    { \"name\": \"" + kImpliedClass +
            "\", \"flags\": 3, \"superClasses\": [\"Top\"] }";
    }
    std::string out =
        "{\n  \"format\": \"veralith-tree/1\",\n  \"tree\": " + JsonText(TreeFileName(service.TreeName())) +
        ",\n  \"defaultNameContext\": " + JsonText(service.DefaultNameContext()) + ",\n" +
        (ldapBase ? "  \"schemaBase\": \"ldap\",\n" : "") + "  \"schema\": {\n" + "   \"attributes\": [\n" +
        attributes + "\n   ],\n   \"classes\": [\n" + classes + "\n   ]\n  },\n" + "  \"objects\": [";
    bool firstObject = true;
    for (const SnapshotObject& object : objects) {
        const ObjectSummary& s = object.summary;
        out += std::string(firstObject ? "\n" : ",\n") + "    { \"name\": " + JsonText(s.fullName) +
            ", \"class\": " + JsonText(s.baseClass);
        firstObject = false;
        if (!s.auxClasses.empty()) {
            out += ", \"auxClasses\": " + JsonList(s.auxClasses);
        }
        if (s.creationTime != 0) {
            out += ", \"created\": " + std::to_string(s.creationTime);
        }
        if (s.modificationTime != 0) {
            out += ", \"modified\": " + std::to_string(s.modificationTime);
        }
        std::string members;
        for (const AttributeData& attribute : object.attributes) {
            if (SameTextIgnoreCase(attribute.name, "Object Class") || attribute.values.empty()) {
                continue; // derived from the class
            }
            std::string values;
            for (const std::string& wire : attribute.values) {
                if (attribute.syntaxId == SYN_DIST_NAME && names.count(FoldCase(wire)) == 0) {
                    warnings->push_back("\"" + s.fullName + "\": the value \"" + wire + "\" of \"" + attribute.name +
                        "\" names no object of the snapshot and is left out");
                    continue;
                }
                // A tree file's class names must be classes of its schema (an
                // LDIF source keeps objectClass values no schema defines).
                if (attribute.syntaxId == SYN_CLASS_NAME && schema.FindClass(wire) == kNoSchemaId) {
                    warnings->push_back("\"" + s.fullName + "\": the value \"" + wire + "\" of \"" + attribute.name +
                        "\" is no class of the schema and is left out");
                    continue;
                }
                std::string json;
                if (!JsonValue(attribute.syntaxId, wire, &json)) {
                    warnings->push_back(
                        "\"" + s.fullName + "\": a malformed value of \"" + attribute.name + "\" is left out");
                    continue;
                }
                values += (values.empty() ? "" : ", ") + json;
            }
            if (!values.empty()) {
                members += std::string(members.empty() ? "" : ",\n") + "        " + JsonText(attribute.name) + ": [" +
                    values + "]";
            }
        }
        if (!members.empty()) {
            out += ",\n      \"attributes\": {\n" + members + "\n      }";
        }
        out += " }";
    }
    out += "\n  ]\n}\n";
    *text = std::move(out);
    return 0;
}

// The DN of a full name: a typed component keeps the types the name gives
// it (a typed name tells siblings apart by them, and a relative name of
// several values, "cn=Doe+uid=jdoe1", is written with all of them); the
// others take the service's naming types.
std::string DnOf(DirectoryService& service, std::string_view fullName, std::vector<std::string> types)
{
    // An object that came with a DN (an LDIF entry, a server's entry) keeps
    // it: entries of one class may be named by different attributes.
    if (std::string dn; service.DistinguishedName(fullName, &dn) == 0 && !dn.empty()) {
        return dn;
    }
    const std::vector<std::string_view> texts = SplitUnescaped(fullName, '.');
    if (types.size() != texts.size()) {
        types = service.NamingTypes(fullName);
    }
    std::vector<ldap::DnComponent> components;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::vector<ldap::DnPart> parts;
        if (!ldap::ParseNameComponent(texts[i], &parts)) {
            parts.assign(1, ldap::DnPart {std::string(), UnescapeNameValue(texts[i])});
        }
        ldap::DnComponent component;
        component.type = FoldCase(!parts.front().type.empty() ? parts.front().type
                : i < types.size()                            ? types[i]
                                                              : std::string("CN"));
        component.value = std::move(parts.front().value);
        for (std::size_t k = 1; k < parts.size(); ++k) {
            parts[k].type = FoldCase(parts[k].type);
            component.more.push_back(std::move(parts[k]));
        }
        components.push_back(std::move(component));
    }
    return ldap::FormatDn(components);
}

// An LDIF line "name: value", in base64 when the value is not safe as it is.
std::string LdifLine(std::string_view name, std::string_view value)
{
    bool safe = value.empty() || (value.front() != ' ' && value.front() != ':' && value.front() != '<');
    safe = safe && (value.empty() || value.back() != ' ');
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        safe = safe && u != 0 && c != '\n' && c != '\r' && u < 0x80;
    }
    std::string line = std::string(name) + (safe ? ": " + std::string(value) : ":: " + EncodeBase64(value));
    // Folded at 76 columns.
    std::string out;
    for (std::size_t pos = 0; pos < line.size(); pos += pos == 0 ? 76 : 75) {
        out += pos == 0 ? "" : "\n ";
        out += line.substr(pos, pos == 0 ? 76 : 75);
    }
    return out + "\n";
}

// A wire value in its LDAP string form.
std::string LdapForm(DirectoryService& service, std::uint32_t syntax, std::string_view wire)
{
    WireReader r(wire);
    std::uint32_t n = 0;
    switch (TraitsOfSyntax(syntax).ldap) {
    case LdapMapping::Name:
        return DnOf(service, wire, {});
    case LdapMapping::Boolean: {
        std::uint8_t v = 0;
        return r.U8(&v) && v != 0 ? "TRUE" : "FALSE";
    }
    case LdapMapping::Integer:
        return r.U32(&n) ? std::to_string(static_cast<std::int32_t>(n)) : std::string();
    case LdapMapping::GeneralizedTime: {
        if (!r.U32(&n)) {
            return std::string();
        }
        const std::time_t seconds = n;
        std::tm utc {};
        gmtime_r(&seconds, &utc);
        char text[32];
        std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &utc);
        return text;
    }
    default: // text syntaxes as they are; the others as their bytes
        return std::string(wire);
    }
}

std::string WireTime(std::uint32_t seconds)
{
    WireWriter w;
    w.U32(seconds);
    return w.Take();
}

DirResult WriteLdif(DirectoryService& service, const std::vector<SnapshotObject>& objects, std::string* text)
{
    std::string out = "version: 1\n";
    for (const SnapshotObject& object : objects) {
        if (object.implied) {
            continue; // LDIF leaves ancestors out as a server's export does
        }
        const ObjectSummary& s = object.summary;
        out += "\n" + LdifLine("dn", DnOf(service, s.fullName, s.namingTypes));
        bool created = s.creationTime == 0;
        bool modified = s.modificationTime == 0;
        for (const AttributeData& attribute : object.attributes) {
            created = created || SameTextIgnoreCase(attribute.name, "createTimestamp");
            modified = modified || SameTextIgnoreCase(attribute.name, "modifyTimestamp");
            std::string name = attribute.name;
            if (SameTextIgnoreCase(name, "Object Class")) {
                name = "objectClass";
            }
            std::replace(name.begin(), name.end(), ' ', '-');
            for (const std::string& wire : attribute.values) {
                out += LdifLine(name, LdapForm(service, attribute.syntaxId, wire));
            }
        }
        // The times of the entry, where no attribute gave them.
        if (!created) {
            out += LdifLine("createTimestamp", LdapForm(service, SYN_TIME, WireTime(s.creationTime)));
        }
        if (!modified) {
            out += LdifLine("modifyTimestamp", LdapForm(service, SYN_TIME, WireTime(s.modificationTime)));
        }
    }
    *text = std::move(out);
    return 0;
}

} // namespace

DirResult WriteSnapshot(DirectoryService& service, SnapshotFormat format, std::string* text,
    std::vector<std::string>* warnings, std::string* error)
{
    std::vector<SnapshotObject> objects;
    if (const DirResult rc = CollectObjects(service, &objects, error); rc != 0) {
        return rc;
    }
    return format == SnapshotFormat::Ldif ? WriteLdif(service, objects, text)
                                          : WriteTreeFile(service, objects, text, warnings);
}

} // namespace veralith::client::memory
