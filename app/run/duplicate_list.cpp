#include "app/run/duplicate_list.h"

#include "util/text.h"

#include <functional>
#include <limits>
#include <stdexcept>

namespace veralith::app {

namespace {

constexpr std::uint64_t kEntryMask = 0xFFFFFFFFu;
constexpr std::uint64_t kTagMask = ~kEntryMask;

} // namespace

std::optional<std::int32_t> DuplicateList::Add(const std::string& value, std::int32_t objectIndex)
{
    m_scratch.assign(value);
    for (char& c : m_scratch) {
        c = util::FoldAsciiCase(c);
    }
    const std::uint64_t hash = std::hash<std::string_view>()(m_scratch);
    const std::uint64_t tag = hash >> 32 << 32;
    if ((m_entries.size() + 1) * 2 > m_slots.size()) {
        Grow();
    }
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if ((m_slots[slot] & kTagMask) != tag) {
            continue;
        }
        const Entry& entry = m_entries[(m_slots[slot] & kEntryMask) - 1];
        if (Folded(entry) == m_scratch) {
            return entry.objectIndex;
        }
    }
    if (m_entries.size() >= std::numeric_limits<std::uint32_t>::max() - 1 ||
        m_scratch.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("too many values to compare");
    }
    m_entries.push_back(Entry {m_folded.size(), static_cast<std::uint32_t>(m_scratch.size()), objectIndex});
    m_folded += m_scratch;
    m_slots[slot] = tag | m_entries.size();
    return std::nullopt;
}

void DuplicateList::Clear()
{
    m_entries.clear();
    m_folded.clear();
    m_slots.clear();
}

void DuplicateList::Grow()
{
    const std::size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
    m_slots.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const std::uint64_t hash = std::hash<std::string_view>()(Folded(m_entries[i]));
        std::size_t slot = hash & mask;
        while (m_slots[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = (hash >> 32 << 32) | (i + 1);
    }
}

} // namespace veralith::app
