#pragma once

// The embedded in-memory directory: one tree held in memory, served through
// the DirectoryService interface. The tree-file loader (loader.h) builds it.
//
// Layout: objects in one vector (index 0 is the root), children as sorted
// index lists, attributes as (schema id, wire values) pairs sorted by id.
// "Object Class" and the naming attribute's own value are derived when read,
// never stored.

#include "client/service.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veralith::client::memory {

inline constexpr std::uint32_t kNoObject = 0xFFFFFFFFu;
inline constexpr std::uint32_t kRootObject = 0;

struct StoredAttribute
{
    std::int32_t attrId = 0;
    std::vector<std::string> values; // wire encoding
};

struct StoredObject
{
    std::string rdn;
    std::uint32_t parent = kNoObject;
    std::int32_t classId = 0;
    std::uint32_t created = 0;
    std::uint32_t modified = 0;
    std::vector<std::int32_t> auxClasses;
    std::vector<std::uint32_t> children; // sorted by rdn ignoring ASCII case
    std::vector<StoredAttribute> attributes; // sorted by attrId
};

class MemoryDirectory final : public DirectoryService, public std::enable_shared_from_this<MemoryDirectory>
{
public:
    // The schema must hold the class "Tree Root" (the root's class) and the
    // attribute "Object Class".
    MemoryDirectory(std::string tree, std::string defaultNameContext, Schema schema);

    // Building (the loader): appends an object below parent (not yet sorted
    // among its siblings) and returns its index.
    std::uint32_t addObject(StoredObject object);
    // Makes room for count more objects.
    void reserve(std::size_t count) { m_objects.reserve(m_objects.size() + count); }
    StoredObject& object(std::uint32_t index) { return m_objects[index]; }
    const StoredObject& object(std::uint32_t index) const { return m_objects[index]; }
    std::size_t objectCount() const { return m_objects.size(); }
    // Sorts every container's children; call once after the last addObject.
    void finish();
    void setDefaultNameContext(std::string name) { m_defaultNameContext = std::move(name); }
    // The naming attribute's values are the stored ones only, none derived
    // from the object's name (directories read from LDIF carry them).
    void storeNamingValues() { std::fill(m_namingAttr.begin(), m_namingAttr.end(), kNoSchemaId); }
    // Objects of this class stand only for the ancestors a source left out:
    // listings show them, searches pass over them.
    void setImpliedClass(std::int32_t classId) { m_impliedClass = classId; }
    bool isImplied(std::uint32_t index) const
    {
        return m_impliedClass != kNoSchemaId && m_objects[index].classId == m_impliedClass;
    }

    // Index of the object of a full typeless name ("" is the root), or
    // kNoObject. Needs finish().
    std::uint32_t find(std::string_view fullName) const;
    // Full typeless name of an object in the directory's spelling.
    std::string fullName(std::uint32_t index) const;
    // Fills an entry summary for an object.
    void summarize(std::uint32_t index, ObjectSummary* entry) const;
    // The values of an attribute on an object, derived ones included; empty
    // when the object does not carry it.
    std::vector<std::string> values(std::uint32_t index, std::int32_t attrId) const;
    // True when the object carries the attribute (derived ones included).
    bool carries(std::uint32_t index, std::int32_t attrId) const;

    std::string treeName() const override { return m_tree; }
    std::string defaultNameContext() const override { return m_defaultNameContext; }
    const Schema& schema() const override { return m_schema; }
    DirResult readEntry(std::string_view fullName, ObjectSummary* entry) override;
    DirResult readAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<AttributeData>* attributes) override;
    DirResult openList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult openSearch(std::string_view base, std::int32_t scope, const FilterNode* filter,
        std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult openStream(std::string_view fullName, std::string_view attribute, int* fd) override;
    std::vector<std::string> namingTypes(std::string_view fullName) override;

private:
    const StoredAttribute* stored(std::uint32_t index, std::int32_t attrId) const;
    std::int32_t namingAttrOf(std::int32_t classId) const;

    std::string m_tree;
    std::string m_defaultNameContext;
    Schema m_schema;
    std::vector<StoredObject> m_objects;
    std::int32_t m_objectClassAttr = kNoSchemaId;
    std::int32_t m_impliedClass = kNoSchemaId;
    std::vector<std::int32_t> m_namingAttr; // per class: its naming attribute id
    std::vector<std::string> m_namingType; // per class: its naming attribute name
};

} // namespace veralith::client::memory
