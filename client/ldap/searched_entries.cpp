#include "client/ldap/searched_entries.h"

#include "client/schema.h"

#include <algorithm>

namespace veralith::client::ldap {

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

void SearchedEntries::add(const ObjectSummary& summary, std::string_view dn, std::string_view attributes)
{
    Entry& entry = m_entries.emplace_back();
    entry.fullName = m_texts.keep(summary.fullName);
    entry.dn = m_texts.keep(dn);
    entry.aliasedObject = m_texts.keep(summary.aliasedObject);
    entry.namingTypes = Share(
        &m_namingTypes, [&](const std::vector<std::string>& types) { return types == summary.namingTypes; },
        [&] { return summary.namingTypes; });
    entry.classes = Share(
        &m_classes,
        [&](const Classes& classes) { return classes.base == summary.baseClass && classes.aux == summary.auxClasses; },
        [&] {
            return Classes {summary.baseClass, summary.auxClasses};
        });
    entry.flags = summary.flags;
    entry.subordinateCount = summary.subordinateCount;
    entry.attributeCount = summary.attributeCount;
    entry.creationTime = summary.creationTime;
    entry.modificationTime = summary.modificationTime;
    if (!m_attributesKept) {
        return;
    }
    if (m_attributes.size() + attributes.size() > m_attributeLimit) {
        // Too much to keep: the reads will have to ask the server again.
        m_attributesKept = false;
        m_attributes.clear();
        for (Entry& kept : m_entries) {
            kept.attributes = {};
        }
        return;
    }
    entry.attributes = m_attributes.keep(attributes);
}

ObjectSummary SearchedEntries::summary(const Entry& entry) const
{
    ObjectSummary summary;
    summary.fullName = entry.fullName;
    summary.namingTypes = m_namingTypes[entry.namingTypes];
    summary.baseClass = m_classes[entry.classes].base;
    summary.auxClasses = m_classes[entry.classes].aux;
    summary.flags = entry.flags;
    summary.subordinateCount = entry.subordinateCount;
    summary.attributeCount = entry.attributeCount;
    summary.creationTime = entry.creationTime;
    summary.modificationTime = entry.modificationTime;
    summary.aliasedObject = entry.aliasedObject;
    return summary;
}

const SearchedEntries::Entry* SearchedEntries::find(std::string_view fullName)
{
    for (const std::size_t i : {m_hint, m_hint + 1}) {
        if (i < m_entries.size() && SameTextIgnoreCase(m_entries[i].fullName, fullName)) {
            m_hint = i;
            return &m_entries[i];
        }
    }
    for (; m_indexed < m_entries.size(); ++m_indexed) {
        m_index.try_emplace(FoldCase(m_entries[m_indexed].fullName), static_cast<std::uint32_t>(m_indexed));
    }
    const auto it = m_index.find(FoldCase(fullName));
    if (it == m_index.end()) {
        return nullptr;
    }
    m_hint = it->second;
    return &m_entries[m_hint];
}

} // namespace veralith::client::ldap
