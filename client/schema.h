#pragma once

// A directory schema: attribute and class definitions, looked up by name
// ignoring ASCII case. Services hand it to the client (client/service.h); the
// in-memory directory builds it from the base schema and a tree file's
// additions.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veralith::client {

struct AttributeDef
{
    std::string name;
    std::uint32_t syntaxId = 0;
    std::uint32_t flags = 0; // DS_SINGLE_VALUED_ATTR ...
    std::uint32_t lowerBound = 0;
    std::uint32_t upperBound = 0;
    std::string oid; // dotted, may be empty
};

struct ClassDef
{
    std::string name;
    std::uint32_t flags = 0; // DS_CONTAINER_CLASS ...
    std::string oid;
    std::vector<std::string> superClasses;
    std::vector<std::string> containment;
    std::vector<std::string> naming;
    std::vector<std::string> mandatory;
    std::vector<std::string> optional;
};

inline constexpr int kNoSchemaId = -1;

// Hashing and equality of names ignoring ASCII case, usable for lookups by
// std::string_view without folded copies.
struct FoldedNameHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
};
struct FoldedNameEqual
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class Schema
{
public:
    // Adds a definition; returns false (and adds nothing) when the name is
    // taken by an attribute or class of the same kind.
    bool AddAttribute(AttributeDef def);
    bool AddClass(ClassDef def);
    // Makes alias a further name of attribute id: FindAttribute finds the
    // attribute by it, the lists keep the attribute once under its own name.
    // Returns false (and adds nothing) when the alias names an attribute
    // already or id is no attribute.
    bool AddAttributeAlias(std::string_view alias, int id);

    // Index of a definition by name (or alias) ignoring ASCII case, or
    // kNoSchemaId.
    int FindAttribute(std::string_view name) const;
    int FindClass(std::string_view name) const;

    const std::vector<AttributeDef>& Attributes() const { return m_attributes; }
    const std::vector<ClassDef>& Classes() const { return m_classes; }
    const AttributeDef& Attribute(int id) const { return m_attributes[static_cast<std::size_t>(id)]; }
    const ClassDef& GetClassDef(int id) const { return m_classes[static_cast<std::size_t>(id)]; }

    // The class and its super classes, nearest first, each once (the class
    // itself first). Unknown super classes are passed over.
    std::vector<int> ClassChain(int classId) const;
    // One of the five item lists of a class (0 super classes, 1 containment,
    // 2 naming, 3 mandatory, 4 optional) with what it inherits from its super
    // classes, each name once, own items first.
    std::vector<std::string> ExpandedItems(int classId, int list) const;
    // The first naming attribute of the class or its super classes ("CN"
    // when none).
    std::string NamingAttribute(int classId) const;

private:
    std::vector<AttributeDef> m_attributes;
    std::vector<ClassDef> m_classes;
    std::unordered_map<std::string, int, FoldedNameHash, FoldedNameEqual> m_attributeIndex; // name -> id
    std::unordered_map<std::string, int, FoldedNameHash, FoldedNameEqual> m_classIndex;
};

// Encodes a dotted object identifier ("2.5.4.3") in ASN.1 basic encoding
// (tag 6, length, content) into out (at most 32 bytes). Returns the byte
// count, or 0 when the text is no identifier or too long.
std::size_t EncodeObjectId(std::string_view dotted, std::uint8_t out[32]);

// ASCII case folding helpers shared by the client and its services.
std::string FoldCase(std::string_view text);
bool SameTextIgnoreCase(std::string_view a, std::string_view b);
int CompareIgnoreCase(std::string_view a, std::string_view b);

} // namespace veralith::client
