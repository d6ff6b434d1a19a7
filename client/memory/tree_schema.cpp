// The schema additions of a tree file: attributes and classes added to the
// base schema, each checked, with items that must name schema entries.

#include "client/memory/tree_loader.h"

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client::memory::detail {

bool TreeLoader::SchemaName(std::uint32_t item, const std::string& pointer, std::string_view* name)
{
    if (!StringMember(item, pointer, "name", true, name)) {
        return false;
    }
    // Names of an LDAP schema may be as long as the client carries them.
    const std::size_t limit = m_ldapBase ? kMaxSchemaNameChars : kMaxTreeFileSchemaNameChars;
    if (name->empty() || name->size() > limit) {
        return Fail(pointer + "/name", "must be 1 to " + std::to_string(limit) + " characters");
    }
    return true;
}

bool TreeLoader::OidMember(std::uint32_t item, const std::string& pointer, std::string* oid)
{
    std::string_view text;
    if (!StringMember(item, pointer, "oid", false, &text)) {
        return false;
    }
    std::uint8_t encoded[32];
    if (!text.empty() && EncodeObjectId(text, encoded) == 0) {
        return Fail(pointer + "/oid", Quoted(text) + " is not an object identifier of at most 30 bytes");
    }
    *oid = std::string(text);
    return true;
}

bool TreeLoader::U32Member(
    std::uint32_t item, const std::string& pointer, std::string_view name, std::int64_t high, std::uint32_t* value)
{
    const std::uint32_t node = m_doc.Member(item, name);
    if (node == kNoNode) {
        return true;
    }
    std::int64_t v = 0;
    if (!m_doc.Integer(node, &v) || v < 0 || v > high) {
        return Fail(pointer + "/" + std::string(name), "must be an integer from 0 to " + std::to_string(high));
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool TreeLoader::LoadSchema(std::uint32_t node, Schema& schema)
{
    if (m_doc.Type(node) != JsonType::Object) {
        return Fail("/schema", "must be an object");
    }
    if (!OnlyMembers(node, "/schema", {"attributes", "classes"})) {
        return false;
    }
    const std::uint32_t attributes = m_doc.Member(node, "attributes");
    if (attributes != kNoNode && m_doc.Type(attributes) != JsonType::Array) {
        return Fail("/schema/attributes", "must be an array");
    }
    std::uint32_t i = 0;
    for (std::uint32_t item = attributes == kNoNode ? kNoNode : m_doc.First(attributes); item != kNoNode;
         item = m_doc.Next(item), ++i) {
        const std::string pointer = "/schema/attributes/" + std::to_string(i);
        if (m_doc.Type(item) != JsonType::Object) {
            return Fail(pointer, "must be an object");
        }
        AttributeDef def;
        std::string_view name;
        if (!OnlyMembers(item, pointer, {"name", "syntax", "flags", "oid", "lowerBound", "upperBound"}) ||
            !SchemaName(item, pointer, &name) || !OidMember(item, pointer, &def.oid)) {
            return false;
        }
        if (m_doc.Member(item, "syntax") == kNoNode) {
            return Fail(pointer, "\"syntax\" is missing");
        }
        if (!U32Member(item, pointer, "syntax", 255, &def.syntaxId) ||
            !U32Member(item, pointer, "flags", 0xFFFFFFFFLL, &def.flags) ||
            !U32Member(item, pointer, "lowerBound", 0xFFFFFFFFLL, &def.lowerBound) ||
            !U32Member(item, pointer, "upperBound", 0xFFFFFFFFLL, &def.upperBound)) {
            return false;
        }
        def.name = std::string(name);
        if (!schema.AddAttribute(std::move(def))) {
            return Fail(pointer + "/name", Quoted(name) + " is already in the schema");
        }
    }
    const std::uint32_t classes = m_doc.Member(node, "classes");
    if (classes != kNoNode && m_doc.Type(classes) != JsonType::Array) {
        return Fail("/schema/classes", "must be an array");
    }
    static const char* const kLists[] = {"superClasses", "containment", "naming", "mandatory", "optional"};
    i = 0;
    for (std::uint32_t item = classes == kNoNode ? kNoNode : m_doc.First(classes); item != kNoNode;
         item = m_doc.Next(item), ++i) {
        const std::string pointer = "/schema/classes/" + std::to_string(i);
        if (m_doc.Type(item) != JsonType::Object) {
            return Fail(pointer, "must be an object");
        }
        ClassDef def;
        def.flags = DS_EFFECTIVE_CLASS;
        std::string_view name;
        if (!OnlyMembers(item, pointer,
                {"name", "flags", "oid", "superClasses", "containment", "naming", "mandatory", "optional"}) ||
            !SchemaName(item, pointer, &name) || !OidMember(item, pointer, &def.oid) ||
            !U32Member(item, pointer, "flags", 0xFFFFFFFFLL, &def.flags)) {
            return false;
        }
        std::vector<std::string>* lists[] = {
            &def.superClasses, &def.containment, &def.naming, &def.mandatory, &def.optional};
        for (int k = 0; k < 5; ++k) {
            const std::uint32_t list = m_doc.Member(item, kLists[k]);
            if (list == kNoNode) {
                continue;
            }
            const std::string listPointer = pointer + "/" + kLists[k];
            if (m_doc.Type(list) != JsonType::Array) {
                return Fail(listPointer, "must be an array of names");
            }
            std::uint32_t j = 0;
            for (std::uint32_t entry = m_doc.First(list); entry != kNoNode; entry = m_doc.Next(entry), ++j) {
                if (m_doc.Type(entry) != JsonType::String) {
                    return Fail(listPointer + "/" + std::to_string(j), "must be a string");
                }
                lists[k]->emplace_back(m_doc.Text(entry));
            }
        }
        // A class without super classes descends from Top.
        if (m_doc.Member(item, "superClasses") == kNoNode) {
            def.superClasses.emplace_back("Top");
        }
        def.name = std::string(name);
        if (!schema.AddClass(std::move(def))) {
            return Fail(pointer + "/name", Quoted(name) + " is already in the schema");
        }
    }
    // Items must name classes and attributes of the schema.
    i = 0;
    for (std::uint32_t item = classes == kNoNode ? kNoNode : m_doc.First(classes); item != kNoNode;
         item = m_doc.Next(item), ++i) {
        const std::string pointer = "/schema/classes/" + std::to_string(i);
        for (int k = 0; k < 5; ++k) {
            const std::uint32_t list = m_doc.Member(item, kLists[k]);
            std::uint32_t j = 0;
            for (std::uint32_t entry = list == kNoNode ? kNoNode : m_doc.First(list); entry != kNoNode;
                 entry = m_doc.Next(entry), ++j) {
                const std::string_view itemName = m_doc.Text(entry);
                const bool isClass = k < 2;
                if ((isClass ? schema.FindClass(itemName) : schema.FindAttribute(itemName)) == kNoSchemaId) {
                    return Fail(pointer + "/" + kLists[k] + "/" + std::to_string(j),
                        (isClass ? "unknown class " : "unknown attribute ") + Quoted(itemName));
                }
            }
        }
    }
    return true;
}

} // namespace veralith::client::memory::detail
