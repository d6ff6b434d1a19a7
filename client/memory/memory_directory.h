#pragma once

// The embedded in-memory directory: one tree held in memory, served through
// the DirectoryService interface. The tree-file loader (loader.h) builds it.
//
// Layout: objects in one vector of fixed-size records (index 0 is the root),
// children as sorted index lists; each object's attributes are a run of
// (schema id, values) records in one table, sorted by id, and every value is
// a view into one text arena of large blocks. A million objects thus cost a
// few allocations per thousand objects instead of several per object.
// "Object Class" and the naming attribute's own value are derived when read,
// never stored.

#include "client/memory/large_table.h"
#include "client/service.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::memory {

inline constexpr std::uint32_t kNoObject = 0xFFFFFFFFu;
inline constexpr std::uint32_t kRootObject = 0;

// An object to add with AddObject (a builder's form of it).
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
    std::vector<StoredAttribute> attributes;
};

// An object as the directory holds it.
struct ObjectRecord
{
    std::string_view rdn; // in the directory's text arena
    std::uint32_t parent = kNoObject;
    std::int32_t classId = 0;
    std::uint32_t created = 0;
    std::uint32_t modified = 0;
    std::uint32_t firstAttribute = 0; // in the attribute table
    std::uint32_t attributeCount = 0;
    std::vector<std::int32_t> auxClasses;
    std::vector<std::uint32_t> children; // sorted by rdn ignoring ASCII case
};

// One attribute of an object: its values are valueCount entries of the value
// table from firstValue.
struct AttributeRecord
{
    std::int32_t attrId = 0;
    std::uint32_t firstValue = 0;
    std::uint32_t valueCount = 0;
};

// Texts copied into large blocks that never move: a view of a kept text stays
// valid as long as the arena.
class TextArena
{
public:
    TextArena() = default;
    ~TextArena();
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    std::string_view Keep(std::string_view text);
    // Bytes held in blocks (for tests and benchmarks).
    std::size_t capacity() const { return m_capacity; }

private:
    struct Block
    {
        char* data;
        std::size_t size;
    };
    std::vector<Block> m_blocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_capacity = 0;
};

class MemoryDirectory final : public DirectoryService, public std::enable_shared_from_this<MemoryDirectory>
{
public:
    // The schema must hold the class "Tree Root" (the root's class) and the
    // attribute "Object Class".
    MemoryDirectory(std::string tree, std::string defaultNameContext, Schema schema);

    // Building, one object at a time. AddObject appends an object below its
    // parent (not yet sorted among its siblings) and returns its index.
    std::uint32_t AddObject(const StoredObject& object);
    // The same without building a StoredObject: BeginObject appends an object
    // without a parent (attach gives it one later); AddAttribute and AddValue
    // add to the attributes of the object begun last, an attribute's values
    // following it; EndObject sorts its attributes by id.
    std::uint32_t BeginObject(
        std::string_view rdn, std::int32_t classId, std::uint32_t created, std::uint32_t modified);
    void AddAttribute(std::int32_t attrId);
    void AddValue(std::string_view wire);
    void EndObject();
    // Makes parent the parent of child (child must have none yet).
    void Attach(std::uint32_t child, std::uint32_t parent);
    // Replaces one stored value (valueIndex counted within the attribute).
    void ReplaceValue(std::uint32_t index, std::int32_t attrId, std::uint32_t valueIndex, std::string_view wire);
    // Makes room for more objects, attributes and values (a guess that is
    // too large costs address space, not memory: untouched room stays
    // unmapped).
    void reserve(std::size_t objects, std::size_t attributes = 0, std::size_t values = 0)
    {
        m_objects.reserve(m_objects.size() + objects);
        m_attributes.reserve(m_attributes.size() + attributes);
        m_values.reserve(m_values.size() + values);
    }
    ObjectRecord& Object(std::uint32_t index) { return m_objects[index]; }
    const ObjectRecord& Object(std::uint32_t index) const { return m_objects[index]; }
    std::size_t ObjectCount() const { return m_objects.size(); }
    // Sorts every container's children; call once after the last AddObject.
    void Finish();
    void SetDefaultNameContext(std::string name) { m_defaultNameContext = std::move(name); }
    // The naming attribute's values are the stored ones only, none derived
    // from the object's name (directories read from LDIF carry them).
    void StoreNamingValues() { std::fill(m_namingAttr.begin(), m_namingAttr.end(), kNoSchemaId); }
    // Objects of this class stand only for the ancestors a source left out:
    // listings show them, searches pass over them.
    void SetImpliedClass(std::int32_t classId) { m_impliedClass = classId; }
    // The attribute whose values are derived from the class and auxiliary
    // classes ("Object Class"), or kNoSchemaId when the schema stores them.
    std::int32_t ObjectClassAttribute() const { return m_objectClassAttr; }
    bool IsImplied(std::uint32_t index) const
    {
        return m_impliedClass != kNoSchemaId && m_objects[index].classId == m_impliedClass;
    }

    // Index of the object of a full typeless name ("" is the root), or
    // kNoObject. Needs finish().
    std::uint32_t find(std::string_view fullName) const;
    // Full typeless name of an object in the directory's spelling.
    std::string FullName(std::uint32_t index) const;
    // Fills an entry summary for an object.
    void Summarize(std::uint32_t index, ObjectSummary* entry) const;
    // The values of an attribute on an object, derived ones included; empty
    // when the object does not carry it.
    std::vector<std::string> Values(std::uint32_t index, std::int32_t attrId) const;
    // The stored values of an attribute on an object (none derived); empty
    // when it has none. The views live as long as the directory.
    std::vector<std::string_view> StoredValues(std::uint32_t index, std::int32_t attrId) const;
    // True when the object carries the attribute (derived ones included).
    bool Carries(std::uint32_t index, std::int32_t attrId) const;

    std::string TreeName() const override { return m_tree; }
    std::string DefaultNameContext() const override { return m_defaultNameContext; }
    const Schema& GetSchema() const override { return m_schema; }
    DirResult ReadEntry(std::string_view fullName, ObjectSummary* entry) override;
    DirResult ReadAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<AttributeData>* attributes) override;
    DirResult OpenList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult OpenSearch(std::string_view base, std::int32_t scope, const FilterNode* filter,
        std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult OpenStream(std::string_view fullName, std::string_view attribute, int* fd) override;
    std::vector<std::string> NamingTypes(std::string_view fullName) override;
    // The DN an object was loaded with (SetDistinguishedName); objects of a
    // source without DNs have none (ERR_NO_SUCH_ATTRIBUTE).
    DirResult DistinguishedName(std::string_view fullName, std::string* dn) override;
    void SetDistinguishedName(std::uint32_t index, std::string dn);
    // Whether some relative names carry their type ("uid=adm" beside
    // "cn=adm", as LDIF sources and their snapshots name such siblings):
    // the client then hands down the types a caller writes.
    bool NamesCarryTypes() const override { return m_typedNames; }
    void SetNamesCarryTypes(bool typed) { m_typedNames = typed; }

private:
    const AttributeRecord* Stored(std::uint32_t index, std::int32_t attrId) const;
    // The child of parent named rdn (ASCII case ignored), or kNoObject.
    std::uint32_t Child(std::uint32_t parent, std::string_view rdn) const;
    static std::size_t ChildHash(std::uint32_t parent, std::string_view rdn);
    // find() without the memory of the last name.
    std::uint32_t Resolve(std::string_view fullName) const;
    std::int32_t NamingAttrOf(std::int32_t classId) const;

    std::string m_tree;
    std::string m_defaultNameContext;
    Schema m_schema;
    LargeVector<ObjectRecord> m_objects;
    LargeVector<AttributeRecord> m_attributes;
    LargeVector<std::string_view> m_values;
    TextArena m_arena;
    // Every object but the root by (parent, rdn ignoring ASCII case), open
    // addressing: finish() builds it, so that a name is found in one probe
    // per component instead of a binary search through a container's
    // children; empty (children searched) while the tree is being built.
    LargeVector<std::uint32_t> m_childSlots;
    std::int32_t m_objectClassAttr = kNoSchemaId;
    std::int32_t m_impliedClass = kNoSchemaId;
    std::vector<std::int32_t> m_namingAttr; // per class: its naming attribute id
    std::vector<std::string> m_namingType; // per class: its naming attribute name
    bool m_typedNames = false;
    std::vector<std::string> m_dns; // per object index, for sources with DNs (LDIF); empty otherwise
    // The name find() resolved last and its index: a read asks for the same
    // object's entry and then its attributes, and the second look-up of a
    // name in a large tree costs cache misses for nothing. Forgotten when
    // the tree changes.
    mutable std::string m_lastName;
    mutable std::uint32_t m_lastFound = kNoObject;
};

} // namespace veralith::client::memory
