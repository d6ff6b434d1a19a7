// The schema additions of a tree file: attributes and classes added to the
// base schema, each checked, with items that must name schema entries.

#include "client/memory/tree_loader.h"

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client::memory::detail {

bool TreeLoader::schemaName(std::uint32_t item, const std::string& pointer, std::string_view* name)
{
    if (!stringMember(item, pointer, "name", true, name)) {
        return false;
    }
    // Names of an LDAP schema may be as long as the client carries them.
    const std::size_t limit = m_ldapBase ? kMaxSchemaNameChars : kMaxTreeFileSchemaNameChars;
    if (name->empty() || name->size() > limit) {
        return fail(pointer + "/name", "must be 1 to " + std::to_string(limit) + " characters");
    }
    return true;
}

bool TreeLoader::oidMember(std::uint32_t item, const std::string& pointer, std::string* oid)
{
    std::string_view text;
    if (!stringMember(item, pointer, "oid", false, &text)) {
        return false;
    }
    std::uint8_t encoded[32];
    if (!text.empty() && EncodeObjectId(text, encoded) == 0) {
        return fail(pointer + "/oid", Quoted(text) + " is not an object identifier of at most 30 bytes");
    }
    *oid = std::string(text);
    return true;
}

bool TreeLoader::u32Member(
    std::uint32_t item, const std::string& pointer, std::string_view name, std::int64_t high, std::uint32_t* value)
{
    const std::uint32_t node = m_doc.member(item, name);
    if (node == kNoNode) {
        return true;
    }
    std::int64_t v = 0;
    if (!m_doc.integer(node, &v) || v < 0 || v > high) {
        return fail(pointer + "/" + std::string(name), "must be an integer from 0 to " + std::to_string(high));
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool TreeLoader::loadSchema(std::uint32_t node, Schema& schema)
{
    if (m_doc.type(node) != JsonType::Object) {
        return fail("/schema", "must be an object");
    }
    if (!onlyMembers(node, "/schema", {"attributes", "classes"})) {
        return false;
    }
    const std::uint32_t attributes = m_doc.member(node, "attributes");
    if (attributes != kNoNode && m_doc.type(attributes) != JsonType::Array) {
        return fail("/schema/attributes", "must be an array");
    }
    std::uint32_t i = 0;
    for (std::uint32_t item = attributes == kNoNode ? kNoNode : m_doc.first(attributes); item != kNoNode;
         item = m_doc.next(item), ++i) {
        const std::string pointer = "/schema/attributes/" + std::to_string(i);
        if (m_doc.type(item) != JsonType::Object) {
            return fail(pointer, "must be an object");
        }
        AttributeDef def;
        std::string_view name;
        if (!onlyMembers(item, pointer, {"name", "syntax", "flags", "oid", "lowerBound", "upperBound"}) ||
            !schemaName(item, pointer, &name) || !oidMember(item, pointer, &def.oid)) {
            return false;
        }
        if (m_doc.member(item, "syntax") == kNoNode) {
            return fail(pointer, "\"syntax\" is missing");
        }
        if (!u32Member(item, pointer, "syntax", 255, &def.syntaxId) ||
            !u32Member(item, pointer, "flags", 0xFFFFFFFFLL, &def.flags) ||
            !u32Member(item, pointer, "lowerBound", 0xFFFFFFFFLL, &def.lowerBound) ||
            !u32Member(item, pointer, "upperBound", 0xFFFFFFFFLL, &def.upperBound)) {
            return false;
        }
        def.name = std::string(name);
        if (!schema.addAttribute(std::move(def))) {
            return fail(pointer + "/name", Quoted(name) + " is already in the schema");
        }
    }
    const std::uint32_t classes = m_doc.member(node, "classes");
    if (classes != kNoNode && m_doc.type(classes) != JsonType::Array) {
        return fail("/schema/classes", "must be an array");
    }
    static const char* const kLists[] = {"superClasses", "containment", "naming", "mandatory", "optional"};
    i = 0;
    for (std::uint32_t item = classes == kNoNode ? kNoNode : m_doc.first(classes); item != kNoNode;
         item = m_doc.next(item), ++i) {
        const std::string pointer = "/schema/classes/" + std::to_string(i);
        if (m_doc.type(item) != JsonType::Object) {
            return fail(pointer, "must be an object");
        }
        ClassDef def;
        def.flags = DS_EFFECTIVE_CLASS;
        std::string_view name;
        if (!onlyMembers(item, pointer,
                {"name", "flags", "oid", "superClasses", "containment", "naming", "mandatory", "optional"}) ||
            !schemaName(item, pointer, &name) || !oidMember(item, pointer, &def.oid) ||
            !u32Member(item, pointer, "flags", 0xFFFFFFFFLL, &def.flags)) {
            return false;
        }
        std::vector<std::string>* lists[] = {
            &def.superClasses, &def.containment, &def.naming, &def.mandatory, &def.optional};
        for (int k = 0; k < 5; ++k) {
            const std::uint32_t list = m_doc.member(item, kLists[k]);
            if (list == kNoNode) {
                continue;
            }
            const std::string listPointer = pointer + "/" + kLists[k];
            if (m_doc.type(list) != JsonType::Array) {
                return fail(listPointer, "must be an array of names");
            }
            std::uint32_t j = 0;
            for (std::uint32_t entry = m_doc.first(list); entry != kNoNode; entry = m_doc.next(entry), ++j) {
                if (m_doc.type(entry) != JsonType::String) {
                    return fail(listPointer + "/" + std::to_string(j), "must be a string");
                }
                lists[k]->emplace_back(m_doc.text(entry));
            }
        }
        // A class without super classes descends from Top.
        if (m_doc.member(item, "superClasses") == kNoNode) {
            def.superClasses.emplace_back("Top");
        }
        def.name = std::string(name);
        if (!schema.addClass(std::move(def))) {
            return fail(pointer + "/name", Quoted(name) + " is already in the schema");
        }
    }
    // Items must name classes and attributes of the schema.
    i = 0;
    for (std::uint32_t item = classes == kNoNode ? kNoNode : m_doc.first(classes); item != kNoNode;
         item = m_doc.next(item), ++i) {
        const std::string pointer = "/schema/classes/" + std::to_string(i);
        for (int k = 0; k < 5; ++k) {
            const std::uint32_t list = m_doc.member(item, kLists[k]);
            std::uint32_t j = 0;
            for (std::uint32_t entry = list == kNoNode ? kNoNode : m_doc.first(list); entry != kNoNode;
                 entry = m_doc.next(entry), ++j) {
                const std::string_view itemName = m_doc.text(entry);
                const bool isClass = k < 2;
                if ((isClass ? schema.findClass(itemName) : schema.findAttribute(itemName)) == kNoSchemaId) {
                    return fail(pointer + "/" + kLists[k] + "/" + std::to_string(j),
                        (isClass ? "unknown class " : "unknown attribute ") + Quoted(itemName));
                }
            }
        }
    }
    return true;
}

} // namespace veralith::client::memory::detail
