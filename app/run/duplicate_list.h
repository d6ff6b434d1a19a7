#pragma once

// The duplicate list of a search run: attribute value texts that refuses a
// second entry equal to one it already holds. Values match as
// util::CompareTextsForSorting finds them equal (the same texts after ASCII
// case folding; the collation only orders texts, it never makes two
// different folded texts equal), the comparison every sorted list of the
// program uses, so the window and the command line find the same duplicates.
// The folded values are kept in a hash table: one folding and one look-up a
// value, whatever the list's size.

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
    // One folding, one hash look-up and at most one node allocation a call.
    std::optional<std::int32_t> Add(const std::string& value, std::int32_t objectIndex);

    std::size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }

private:
    std::unordered_map<std::string, std::int32_t> entries_; // folded value -> object index
};

} // namespace veralith::app
