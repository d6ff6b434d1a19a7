#include "client/memory/memory_directory.h"

#include "client/name_syntax.h"
#include "client/names.h"
#include "client/stream_file.h"
#include "client/values.h"
#include "client/wire.h"

#include <algorithm>

namespace veralith::client::memory {

namespace {

// Lists the children of one object, containers only or all.
class ListCursor final : public ObjectCursor
{
public:
    ListCursor(std::shared_ptr<const MemoryDirectory> directory, std::uint32_t parent, bool containersOnly)
        : m_directory(std::move(directory))
        , m_parent(parent)
        , m_containersOnly(containersOnly)
    { }

    DirResult Next(ObjectSummary* entry, bool* done) override
    {
        const auto& children = m_directory->Object(m_parent).children;
        const Schema& schema = m_directory->GetSchema();
        while (m_pos < children.size()) {
            const std::uint32_t child = children[m_pos++];
            ++m_examined;
            const auto& def = schema.GetClassDef(m_directory->Object(child).classId);
            if (m_containersOnly && (def.flags & DS_CONTAINER_CLASS) == 0) {
                continue;
            }
            m_directory->Summarize(child, entry);
            *done = false;
            return 0;
        }
        *done = true;
        return 0;
    }
    std::uint32_t Examined() const override { return m_examined; }

private:
    std::shared_ptr<const MemoryDirectory> m_directory;
    std::uint32_t m_parent;
    bool m_containersOnly;
    std::size_t m_pos = 0;
    std::uint32_t m_examined = 0;
};

} // namespace

MemoryDirectory::MemoryDirectory(std::string tree, std::string defaultNameContext, Schema schema)
    : m_tree(std::move(tree))
    , m_defaultNameContext(std::move(defaultNameContext))
    , m_schema(std::move(schema))
{
    // The class list derived from class and auxiliary classes; an LDAP
    // schema's objectClass (which knows "Object Class" only as a further
    // name) is stored like any other attribute.
    const int objectClass = m_schema.FindAttribute("Object Class");
    if (objectClass != kNoSchemaId && SameTextIgnoreCase(m_schema.Attribute(objectClass).name, "Object Class")) {
        m_objectClassAttr = objectClass;
    }
    for (std::size_t i = 0; i < m_schema.Classes().size(); ++i) {
        const std::string naming = m_schema.NamingAttribute(static_cast<int>(i));
        m_namingType.push_back(naming);
        m_namingAttr.push_back(m_schema.FindAttribute(naming));
    }
    const int rootClass = m_schema.FindClass("Tree Root");
    m_objects.emplace_back().classId = rootClass == kNoSchemaId ? 0 : rootClass;
}

TextArena::~TextArena()
{
    for (const Block& block : m_blocks) {
        LargeTableAllocator<char>().deallocate(block.data, block.size);
    }
}

std::string_view TextArena::Keep(std::string_view text)
{
    if (text.empty()) {
        return {};
    }
    if (text.size() > m_left) {
        // Blocks of 2 MiB (one huge page where the system offers them); a
        // longer text gets a block of its own.
        constexpr std::size_t kBlock = kLargeBlockBytes;
        const std::size_t size = text.size() > kBlock / 4 ? text.size() : kBlock;
        if (m_blocks.size() == m_blocks.capacity()) {
            // Room first, so that the block is never lost to a failed push.
            m_blocks.reserve(std::max<std::size_t>(16, 2 * m_blocks.size()));
        }
        m_blocks.push_back(Block {LargeTableAllocator<char>().allocate(size), size});
        m_capacity += size;
        if (size == text.size() && m_left > 0) {
            // The current block keeps its free space for later texts.
            char* own = m_blocks.back().data;
            std::copy(text.begin(), text.end(), own);
            return {own, text.size()};
        }
        m_free = m_blocks.back().data;
        m_left = size;
    }
    char* at = m_free;
    std::copy(text.begin(), text.end(), at);
    m_free += text.size();
    m_left -= text.size();
    return {at, text.size()};
}

std::uint32_t MemoryDirectory::AddObject(const StoredObject& object)
{
    const std::uint32_t index = BeginObject(object.rdn, object.classId, object.created, object.modified);
    m_objects[index].auxClasses = object.auxClasses;
    for (const StoredAttribute& attribute : object.attributes) {
        AddAttribute(attribute.attrId);
        for (const std::string& value : attribute.values) {
            AddValue(value);
        }
    }
    EndObject();
    Attach(index, object.parent);
    return index;
}

std::uint32_t MemoryDirectory::BeginObject(
    std::string_view rdn, std::int32_t classId, std::uint32_t created, std::uint32_t modified)
{
    const auto index = static_cast<std::uint32_t>(m_objects.size());
    ObjectRecord& record = m_objects.emplace_back();
    record.rdn = m_arena.Keep(rdn);
    record.classId = classId;
    record.created = created;
    record.modified = modified;
    record.firstAttribute = static_cast<std::uint32_t>(m_attributes.size());
    return index;
}

void MemoryDirectory::AddAttribute(std::int32_t attrId)
{
    m_attributes.push_back(AttributeRecord {attrId, static_cast<std::uint32_t>(m_values.size()), 0});
    ++m_objects.back().attributeCount;
}

void MemoryDirectory::AddValue(std::string_view wire)
{
    m_values.push_back(m_arena.Keep(wire));
    ++m_attributes.back().valueCount;
}

void MemoryDirectory::EndObject()
{
    const ObjectRecord& record = m_objects.back();
    const auto first = m_attributes.begin() + record.firstAttribute;
    std::sort(first, first + record.attributeCount,
        [](const AttributeRecord& a, const AttributeRecord& b) { return a.attrId < b.attrId; });
}

void MemoryDirectory::Attach(std::uint32_t child, std::uint32_t parent)
{
    m_objects[child].parent = parent;
    m_objects[parent].children.push_back(child);
    m_childSlots.clear();
    m_lastFound = kNoObject;
}

void MemoryDirectory::ReplaceValue(
    std::uint32_t index, std::int32_t attrId, std::uint32_t valueIndex, std::string_view wire)
{
    const AttributeRecord* a = Stored(index, attrId);
    if (a != nullptr && valueIndex < a->valueCount) {
        m_values[a->firstValue + valueIndex] = m_arena.Keep(wire);
    }
}

void MemoryDirectory::Finish()
{
    const auto before = [this](std::uint32_t a, std::uint32_t b) {
        return CompareIgnoreCase(m_objects[a].rdn, m_objects[b].rdn) < 0;
    };
    for (ObjectRecord& o : m_objects) {
        // Files written from a directory list siblings in order already:
        // checking that costs one comparison per child, sorting a dozen.
        if (!std::is_sorted(o.children.begin(), o.children.end(), before)) {
            std::sort(o.children.begin(), o.children.end(), before);
        }
        o.children.shrink_to_fit();
    }
    std::size_t slots = 1024;
    while (slots < m_objects.size() * 2) {
        slots *= 2;
    }
    m_childSlots.assign(slots, kNoObject);
    m_lastFound = kNoObject;
    const std::size_t mask = slots - 1;
    // Siblings in their sorted order: of two names equal but for case, the
    // one a binary search would meet first is found.
    for (const ObjectRecord& o : m_objects) {
        for (const std::uint32_t index : o.children) {
            std::size_t slot = ChildHash(m_objects[index].parent, m_objects[index].rdn) & mask;
            while (m_childSlots[slot] != kNoObject) {
                slot = (slot + 1) & mask;
            }
            m_childSlots[slot] = index;
        }
    }
}

std::size_t MemoryDirectory::ChildHash(std::uint32_t parent, std::string_view rdn)
{
    return FoldedNameHash()(rdn) ^ (static_cast<std::size_t>(parent) * 0x9E3779B97F4A7C15ULL);
}

std::uint32_t MemoryDirectory::Child(std::uint32_t parent, std::string_view rdn) const
{
    if (rdn.empty()) {
        return kNoObject;
    }
    if (!m_childSlots.empty()) {
        const std::size_t mask = m_childSlots.size() - 1;
        for (std::size_t slot = ChildHash(parent, rdn) & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t index = m_childSlots[slot];
            if (index == kNoObject) {
                return kNoObject;
            }
            const ObjectRecord& o = m_objects[index];
            if (o.parent == parent && SameTextIgnoreCase(o.rdn, rdn)) {
                return index;
            }
        }
    }
    const auto& children = m_objects[parent].children;
    const auto it = std::lower_bound(children.begin(), children.end(), rdn,
        [this](std::uint32_t index, std::string_view key) { return CompareIgnoreCase(m_objects[index].rdn, key) < 0; });
    return (it != children.end() && CompareIgnoreCase(m_objects[*it].rdn, rdn) == 0) ? *it : kNoObject;
}

std::uint32_t MemoryDirectory::find(std::string_view fullName) const
{
    std::uint32_t current = kRootObject;
    if (fullName.empty()) {
        return current;
    }
    if (m_lastFound != kNoObject && fullName == m_lastName) {
        return m_lastFound;
    }
    const std::uint32_t found = Resolve(fullName);
    if (found != kNoObject) {
        m_lastName.assign(fullName);
        m_lastFound = found;
    }
    return found;
}

std::uint32_t MemoryDirectory::Resolve(std::string_view fullName) const
{
    std::uint32_t current = kRootObject;
    // Walk from the root side: the last component first.
    std::size_t end = fullName.size();
    for (;;) {
        const std::size_t dot = FindUnescapedBackward(fullName, '.', end);
        const std::size_t start = dot == std::string_view::npos ? 0 : dot + 1;
        const std::string_view rdn = fullName.substr(start, end - start);
        std::uint32_t found = Child(current, rdn);
        // Where names carry types, a typed component ("CN=ann") also names
        // a sibling stored by its value alone ("ann").
        if (found == kNoObject && m_typedNames) {
            const std::size_t equals = FindUnescaped(rdn, '=');
            if (equals != std::string_view::npos && FindUnescaped(rdn, '+') == std::string_view::npos) {
                found = Child(current, rdn.substr(equals + 1));
            }
        }
        if (found == kNoObject) {
            return kNoObject;
        }
        current = found;
        if (dot == std::string_view::npos) {
            return current;
        }
        end = dot;
    }
}

std::string MemoryDirectory::FullName(std::uint32_t index) const
{
    // Measured first, so that the name is one allocation, not one per
    // doubling.
    std::size_t length = 0;
    for (std::uint32_t i = index; i != kRootObject && i != kNoObject; i = m_objects[i].parent) {
        length += m_objects[i].rdn.size() + 1;
    }
    std::string name;
    name.reserve(length);
    for (std::uint32_t i = index; i != kRootObject && i != kNoObject; i = m_objects[i].parent) {
        if (!name.empty()) {
            name += '.';
        }
        name += m_objects[i].rdn;
    }
    return name;
}

void MemoryDirectory::Summarize(std::uint32_t index, ObjectSummary* entry) const
{
    const ObjectRecord& o = m_objects[index];
    const ClassDef& def = m_schema.GetClassDef(o.classId);
    entry->fullName = FullName(index);
    std::size_t depth = 0;
    for (std::uint32_t i = index; i != kRootObject && i != kNoObject; i = m_objects[i].parent) {
        ++depth;
    }
    entry->namingTypes.clear();
    entry->namingTypes.reserve(depth);
    for (std::uint32_t i = index; i != kRootObject && i != kNoObject; i = m_objects[i].parent) {
        entry->namingTypes.push_back(m_namingType[static_cast<std::size_t>(m_objects[i].classId)]);
    }
    entry->baseClass = def.name;
    entry->auxClasses.clear();
    for (std::int32_t aux : o.auxClasses) {
        entry->auxClasses.push_back(m_schema.GetClassDef(aux).name);
    }
    entry->flags = 0;
    if ((def.flags & DS_CONTAINER_CLASS) != 0) {
        entry->flags |= DS_CONTAINER_ENTRY;
    }
    if (o.parent == kRootObject) {
        entry->flags |= DS_PARTITION_ROOT;
    }
    entry->aliasedObject.clear();
    if (SameTextIgnoreCase(def.name, "Alias")) {
        entry->flags |= DS_ALIAS_ENTRY;
        const std::vector<std::string> target = Values(index, m_schema.FindAttribute("Aliased Object Name"));
        if (!target.empty()) {
            entry->aliasedObject = target.front();
        }
    }
    entry->subordinateCount = static_cast<std::uint32_t>(o.children.size());
    entry->creationTime = o.created;
    entry->modificationTime = o.modified;
    std::uint32_t count = o.attributeCount;
    if (index != kRootObject) {
        count += m_objectClassAttr != kNoSchemaId ? 1 : 0; // Object Class, unless stored
        const std::int32_t naming = m_namingAttr[static_cast<std::size_t>(o.classId)];
        if (naming != kNoSchemaId && Stored(index, naming) == nullptr) {
            count += 1;
        }
    }
    entry->attributeCount = count;
}

const AttributeRecord* MemoryDirectory::Stored(std::uint32_t index, std::int32_t attrId) const
{
    const ObjectRecord& o = m_objects[index];
    const AttributeRecord* first = m_attributes.data() + o.firstAttribute;
    const AttributeRecord* last = first + o.attributeCount;
    const AttributeRecord* it =
        std::lower_bound(first, last, attrId, [](const AttributeRecord& a, std::int32_t id) { return a.attrId < id; });
    return (it != last && it->attrId == attrId) ? it : nullptr;
}

std::vector<std::string_view> MemoryDirectory::StoredValues(std::uint32_t index, std::int32_t attrId) const
{
    std::vector<std::string_view> out;
    if (attrId == kNoSchemaId || index >= m_objects.size()) {
        return out;
    }
    if (const AttributeRecord* a = Stored(index, attrId); a != nullptr) {
        const auto first = m_values.begin() + a->firstValue;
        out.assign(first, first + a->valueCount);
    }
    return out;
}

std::int32_t MemoryDirectory::NamingAttrOf(std::int32_t classId) const
{
    return m_namingAttr[static_cast<std::size_t>(classId)];
}

std::vector<std::string> MemoryDirectory::Values(std::uint32_t index, std::int32_t attrId) const
{
    std::vector<std::string> out;
    if (attrId == kNoSchemaId || index == kRootObject) {
        return out;
    }
    const ObjectRecord& o = m_objects[index];
    if (attrId == m_objectClassAttr) {
        for (int id : m_schema.ClassChain(o.classId)) {
            out.push_back(m_schema.GetClassDef(id).name);
        }
        for (std::int32_t aux : o.auxClasses) {
            out.push_back(m_schema.GetClassDef(aux).name);
        }
        return out;
    }
    const bool naming = attrId == NamingAttrOf(o.classId);
    if (naming) {
        out.emplace_back(o.rdn);
    }
    if (const AttributeRecord* a = Stored(index, attrId); a != nullptr) {
        for (std::uint32_t k = 0; k < a->valueCount; ++k) {
            const std::string_view v = m_values[a->firstValue + k];
            if (!naming || !SameTextIgnoreCase(v, o.rdn)) {
                out.emplace_back(v);
            }
        }
    }
    return out;
}

bool MemoryDirectory::Carries(std::uint32_t index, std::int32_t attrId) const
{
    if (attrId == kNoSchemaId || index == kRootObject) {
        return false;
    }
    return attrId == m_objectClassAttr || attrId == NamingAttrOf(m_objects[index].classId) ||
        Stored(index, attrId) != nullptr;
}

DirResult MemoryDirectory::ReadEntry(std::string_view fullName, ObjectSummary* entry)
{
    const std::uint32_t index = find(fullName);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    Summarize(index, entry);
    return 0;
}

DirResult MemoryDirectory::ReadAttributes(
    std::string_view fullName, const std::vector<std::string>* names, std::vector<AttributeData>* attributes)
{
    const std::uint32_t index = find(fullName);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    std::vector<std::int32_t> ids;
    if (names == nullptr) {
        for (std::size_t i = 0; i < m_schema.Attributes().size(); ++i) {
            ids.push_back(static_cast<std::int32_t>(i));
        }
    } else {
        for (const std::string& name : *names) {
            const std::int32_t id = m_schema.FindAttribute(name);
            if (id != kNoSchemaId && std::find(ids.begin(), ids.end(), id) == ids.end()) {
                ids.push_back(id);
            }
        }
    }
    attributes->clear();
    for (std::int32_t id : ids) {
        if (!Carries(index, id)) {
            continue;
        }
        const AttributeDef& def = m_schema.Attribute(id);
        AttributeData data;
        data.name = def.name;
        data.syntaxId = def.syntaxId;
        data.values = Values(index, id);
        attributes->push_back(std::move(data));
    }
    return 0;
}

DirResult MemoryDirectory::OpenList(
    std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor)
{
    const std::uint32_t index = find(fullName);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    *cursor = std::make_unique<ListCursor>(shared_from_this(), index, containersOnly);
    return 0;
}

DirResult MemoryDirectory::OpenStream(std::string_view fullName, std::string_view attribute, int* fd)
{
    const std::uint32_t index = find(fullName);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    const std::int32_t id = m_schema.FindAttribute(attribute);
    const AttributeRecord* a = id == kNoSchemaId ? nullptr : Stored(index, id);
    if (a == nullptr || a->valueCount == 0 || m_schema.Attribute(id).syntaxId != SYN_STREAM) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    return OpenContentAsStream(m_values[a->firstValue], fd);
}

DirResult MemoryDirectory::DistinguishedName(std::string_view fullName, std::string* dn)
{
    const std::uint32_t index = find(fullName);
    if (index == kNoObject) {
        return ERR_NO_SUCH_ENTRY;
    }
    if (index >= m_dns.size() || m_dns[index].empty()) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    *dn = m_dns[index];
    return 0;
}

void MemoryDirectory::SetDistinguishedName(std::uint32_t index, std::string dn)
{
    if (m_dns.size() <= index) {
        m_dns.resize(static_cast<std::size_t>(index) + 1);
    }
    m_dns[index] = std::move(dn);
}

std::vector<std::string> MemoryDirectory::NamingTypes(std::string_view fullName)
{
    // Components from the leaf; each takes the type of the object it names
    // when that object exists.
    std::vector<std::string> rdns;
    for (const std::string_view part : SplitUnescaped(fullName, '.')) {
        rdns.emplace_back(part);
    }
    std::vector<std::string> types(rdns.size());
    std::uint32_t current = kRootObject;
    for (std::size_t k = rdns.size(); k-- > 0;) {
        if (current != kNoObject) {
            current = Child(current, rdns[k]);
        }
        if (current != kNoObject) {
            types[k] = m_namingType[static_cast<std::size_t>(m_objects[current].classId)];
        } else {
            types[k] = DefaultNamingType(k, rdns.size());
        }
    }
    return types;
}

} // namespace veralith::client::memory
