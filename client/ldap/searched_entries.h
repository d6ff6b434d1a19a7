#pragma once

// The entries a search delivered, kept for the reads that follow it: their
// summaries and DNs, and their attributes as the server encoded them while
// those fit a limit. Kept compactly (texts in large blocks, the lists of
// naming types and classes that entries share kept once), so that keeping a
// hundred thousand entries costs little time and memory.

#include "client/ldap/byte_arena.h"
#include "client/service.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

class SearchedEntries
{
public:
    // One entry in 64 bytes: a million of them are kept by a large search.
    class Entry
    {
    public:
        std::string_view FullName() const { return {m_texts, m_nameSize}; }
        std::string_view Dn() const { return {m_texts + m_nameSize, m_dnSize}; }
        std::string_view AliasedObject() const { return {m_texts + m_nameSize + m_dnSize, m_aliasSize}; }
        // The encoded attribute list; empty once dropped.
        std::string_view Attributes() const { return {m_attributes, m_attributesSize}; }

    private:
        friend class SearchedEntries;
        const char* m_texts = nullptr; // the full name, the DN and the aliased object's name, one after the other
        const char* m_attributes = nullptr;
        std::uint32_t m_nameSize = 0;
        std::uint32_t m_dnSize = 0;
        std::uint32_t m_aliasSize = 0;
        std::uint32_t m_attributesSize = 0;
        std::uint32_t m_namingTypes = 0; // index of a shared list
        std::uint32_t m_classes = 0; // index of a shared base class and auxiliary classes
        std::uint32_t m_flags = 0;
        std::uint32_t m_subordinateCount = 0;
        std::uint32_t m_attributeCount = 0;
        std::uint32_t m_creationTime = 0;
        std::uint32_t m_modificationTime = 0;
    };

    // attributeLimit: bytes of encoded attributes to keep; past it every
    // entry's attributes are dropped (AttributesKept() turns false).
    explicit SearchedEntries(std::size_t attributeLimit = 0)
        : m_attributeLimit(attributeLimit)
    { }

    void Add(const ObjectSummary& summary, std::string_view dn, std::string_view attributes);
    // The entry of a full typeless name (ignoring letter case), nullptr when
    // the search did not deliver it (an entry delivered twice, by searches
    // of overlapping naming contexts, is the same object either time).
    // Reads mostly come in the order the search delivered the entries, so
    // the entry found last and the one after it are tried before the index.
    const Entry* find(std::string_view fullName);
    // The summary of an entry, as it was added.
    ObjectSummary Summary(const Entry& entry) const;
    bool AttributesKept() const { return m_attributesKept; }
    // Bytes of encoded attributes that may still be kept.
    std::size_t AttributeRoom() const
    {
        return m_attributesKept && m_attributeLimit > m_attributes.size() ? m_attributeLimit - m_attributes.size() : 0;
    }

private:
    // The index of the list in lists that is the same as the one wanted,
    // made and added when there is none (the list added last is tried first).
    template<typename List, typename Same, typename Make>
    static std::uint32_t Share(std::vector<List>* lists, Same same, Make make);

    std::deque<Entry> m_entries;
    ByteArena m_texts; // names and DNs
    ByteArena m_attributes;
    std::size_t m_attributeLimit;
    bool m_attributesKept = true;
    std::vector<std::vector<std::string>> m_namingTypes;
    struct Classes
    {
        std::string base;
        std::vector<std::string> aux;
    };
    std::vector<Classes> m_classes;
    // Indexes the entry added last. A table half full is replaced by one
    // four times its size that is filled a few entries at each addition, so
    // that no addition (nor the first read out of order) waits for a million
    // entries to be indexed at once; the larger step keeps the tables
    // sparse, since every slot probed costs a comparison of names.
    void IndexLast();
    // Adds the entry at index i to slots unless an entry of the same name
    // (ignoring letter case) is there already; slots has room.
    void Index(std::vector<std::uint32_t>* slots, std::uint32_t i);
    // The entries by name ignoring letter case: open addressing, linear
    // probing, entry indexes (kFree where none). m_slots holds every entry;
    // m_growing, while it fills, the first m_grown.
    static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
    static constexpr std::size_t kFirstSlots = 1024;
    static constexpr int kGrowPerAdd = 4;
    std::vector<std::uint32_t> m_slots;
    std::vector<std::uint32_t> m_growing;
    std::size_t m_grown = 0;
    std::size_t m_hint = 0; // the entry found last
};

} // namespace veralith::client::ldap
