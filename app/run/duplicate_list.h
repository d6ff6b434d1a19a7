#pragma once

// The duplicate list of a search run: a sorted list of attribute value texts
// that refuses a second entry equal to one it already holds. Entries are ordered
// and matched as util::CompareTextsForSorting orders them (ASCII case folded,
// then the user's locale collation), the comparison every sorted list of the
// program uses, so the window and the command line find the same duplicates.
// The entries are kept as SortKeys, each value folded once.

#include "app/run/sort_key.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace veralith::app {

class DuplicateList
{
public:
    // Adds value with the object index it belongs to. When the list already
    // holds an equal value, adds nothing and returns the object index stored
    // with that earlier entry; otherwise stores the value and returns nothing.
    // O(log n) comparisons and one node allocation per call.
    std::optional<std::int32_t> Add(const std::string& value, std::int32_t objectIndex);

    std::size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

private:
    std::map<SortKey, std::int32_t, SortKeyLess> entries_;
};

} // namespace veralith::app
