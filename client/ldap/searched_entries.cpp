#include "client/ldap/searched_entries.h"

#include "client/schema.h"

#include <algorithm>

namespace veralith::client::ldap {

namespace {

// The slot a name starts at: the client's folded hash, its high bits folded
// into the low ones the table takes.
std::size_t FoldedHash(std::string_view text)
{
    const std::uint64_t hash = FoldedNameHash {}(text);
    return static_cast<std::size_t>(hash ^ (hash >> 29));
}

} // namespace

template<typename List, typename Same, typename Make>
std::uint32_t SearchedEntries::Share(std::vector<List>* lists, Same same, Make make)
{
    // Entries come in runs of the same kind: the list added last is the
    // likeliest match, and the lists are few.
    auto it =
        !lists->empty() && same(lists->back()) ? lists->end() - 1 : std::find_if(lists->begin(), lists->end(), same);
    if (it == lists->end()) {
        lists->push_back(make());
        it = lists->end() - 1;
    }
    return static_cast<std::uint32_t>(it - lists->begin());
}

void SearchedEntries::Add(const ObjectSummary& summary, std::string_view dn, std::string_view attributes)
{
    Entry& entry = m_entries.emplace_back();
    entry.m_texts = m_texts.Keep({summary.fullName, dn, summary.aliasedObject}).data();
    entry.m_nameSize = static_cast<std::uint32_t>(summary.fullName.size());
    entry.m_dnSize = static_cast<std::uint32_t>(dn.size());
    entry.m_aliasSize = static_cast<std::uint32_t>(summary.aliasedObject.size());
    entry.m_namingTypes = Share(
        &m_namingTypes, [&](const std::vector<std::string>& types) { return types == summary.namingTypes; },
        [&] { return summary.namingTypes; });
    entry.m_classes = Share(
        &m_classes,
        [&](const Classes& classes) { return classes.base == summary.baseClass && classes.aux == summary.auxClasses; },
        [&] {
            return Classes {summary.baseClass, summary.auxClasses};
        });
    entry.m_flags = summary.flags;
    entry.m_subordinateCount = summary.subordinateCount;
    entry.m_attributeCount = summary.attributeCount;
    entry.m_creationTime = summary.creationTime;
    entry.m_modificationTime = summary.modificationTime;
    IndexLast();
    if (!m_attributesKept) {
        return;
    }
    if (m_attributes.size() + attributes.size() > m_attributeLimit) {
        // Too much to keep: the reads will have to ask the server again.
        m_attributesKept = false;
        m_attributes.clear();
        for (Entry& kept : m_entries) {
            kept.m_attributes = nullptr;
            kept.m_attributesSize = 0;
        }
        return;
    }
    entry.m_attributes = m_attributes.Keep(attributes).data();
    entry.m_attributesSize = static_cast<std::uint32_t>(attributes.size());
}

ObjectSummary SearchedEntries::Summary(const Entry& entry) const
{
    ObjectSummary summary;
    summary.fullName = entry.FullName();
    summary.namingTypes = m_namingTypes[entry.m_namingTypes];
    summary.baseClass = m_classes[entry.m_classes].base;
    summary.auxClasses = m_classes[entry.m_classes].aux;
    summary.flags = entry.m_flags;
    summary.subordinateCount = entry.m_subordinateCount;
    summary.attributeCount = entry.m_attributeCount;
    summary.creationTime = entry.m_creationTime;
    summary.modificationTime = entry.m_modificationTime;
    summary.aliasedObject = entry.AliasedObject();
    return summary;
}

const SearchedEntries::Entry* SearchedEntries::find(std::string_view fullName)
{
    for (const std::size_t i : {m_hint, m_hint + 1}) {
        if (i < m_entries.size() && SameTextIgnoreCase(m_entries[i].FullName(), fullName)) {
            m_hint = i;
            return &m_entries[i];
        }
    }
    if (m_entries.empty()) {
        return nullptr;
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = FoldedHash(fullName) & mask; m_slots[slot] != kFree; slot = (slot + 1) & mask) {
        if (SameTextIgnoreCase(m_entries[m_slots[slot]].FullName(), fullName)) {
            m_hint = m_slots[slot];
            return &m_entries[m_hint];
        }
    }
    return nullptr;
}

void SearchedEntries::IndexLast()
{
    if (m_slots.empty()) {
        m_slots.assign(kFirstSlots, kFree);
    }
    const auto last = static_cast<std::uint32_t>(m_entries.size() - 1);
    Index(&m_slots, last);
    if (m_growing.empty() && m_entries.size() * 2 > m_slots.size()) {
        m_growing.assign(m_slots.size() * 4, kFree);
        m_grown = 0;
    }
    if (!m_growing.empty()) {
        // A few entries more than were added: the larger table catches up
        // while the full one fills to two thirds at most.
        for (int k = 0; k < kGrowPerAdd && m_grown < m_entries.size(); ++k) {
            Index(&m_growing, static_cast<std::uint32_t>(m_grown++));
        }
        if (m_grown == m_entries.size()) {
            m_slots.swap(m_growing);
            m_growing = {};
        }
    }
}

void SearchedEntries::Index(std::vector<std::uint32_t>* slots, std::uint32_t i)
{
    const std::string_view name = m_entries[i].FullName();
    const std::size_t mask = slots->size() - 1;
    std::size_t slot = FoldedHash(name) & mask;
    for (; (*slots)[slot] != kFree; slot = (slot + 1) & mask) {
        if (SameTextIgnoreCase(m_entries[(*slots)[slot]].FullName(), name)) {
            return; // the entry met first stands for the name
        }
    }
    (*slots)[slot] = i;
}

} // namespace veralith::client::ldap
