#pragma once

// The duplicate list of a search run: a set of attribute value texts that
// refuses a second entry equal to one it already holds. Two texts are equal
// exactly when util::CompareTextsForSorting finds them equal (the comparison
// every sorted list of the program uses, whose 0 means "the same bytes after
// ASCII case folding"), so the window and the command line find the same
// duplicates. Only equality matters here, not order: the folded values are
// kept one after another in one text, found through an open-addressing table
// of entry numbers, so that a million values cost a few dozen allocations and
// are released at once. Each slot also holds the high half of its value's
// hash, so a probe reads an entry and its text only when that half matches:
// with a million values every such read is a cache miss.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::app {

class DuplicateList
{
public:
    // Adds value with the object index it belongs to. When the list already
    // holds an equal value, adds nothing and returns the object index stored
    // with that earlier entry; otherwise stores the value and returns nothing.
    // One hash look-up per call.
    std::optional<std::int32_t> Add(const std::string& value, std::int32_t objectIndex);
    std::size_t Count() const { return m_entries.size(); }
    void Clear();

private:
    struct Entry
    {
        std::size_t offset; // in folded_
        std::uint32_t length;
        std::int32_t objectIndex;
    };

    std::string_view Folded(const Entry& entry) const
    {
        return std::string_view(m_folded).substr(entry.offset, entry.length);
    }
    void Grow();

    std::vector<Entry> m_entries;
    std::string m_folded;
    // Per slot the high 32 bits of the value's hash above the entry number
    // + 1, 0 for a free slot; a power of two long.
    std::vector<std::uint64_t> m_slots;
    std::string m_scratch;
};

} // namespace veralith::app
