#pragma once

// The duplicate list of a search run: a set of attribute value texts that
// refuses a second entry equal to one it already holds. Two texts are equal
// exactly when util::CompareTextsForSorting finds them equal (the comparison
// every sorted list of the program uses, whose 0 means "the same bytes after
// ASCII case folding"), so the window and the command line find the same
// duplicates. Only equality matters here, not order: the entries are kept
// folded in a hash table, one look-up per value however many there are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace veralith::app {

class DuplicateList
{
public:
    // Adds value with the object index it belongs to. When the list already
    // holds an equal value, adds nothing and returns the object index stored
    // with that earlier entry; otherwise stores the value and returns nothing.
    // One hash look-up and, for a new value, one allocation per call.
    std::optional<std::int32_t> Add(const std::string& value, std::int32_t objectIndex);
    std::size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

private:
    std::unordered_map<std::string, std::int32_t> entries_;
};

} // namespace veralith::app
