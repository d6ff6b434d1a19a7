#pragma once

// The built-in sample trees: tree files compiled into the client (the list
// VERALITH_BUILTIN_TREE_FILES in client/CMakeLists.txt). The client serves
// them when the workstation configuration names no tree source.

#include <string_view>
#include <vector>

namespace veralith::client::memory {

struct BuiltinTree
{
    std::string_view name; // the file's stem, for "builtin:NAME" sources
    std::string_view fileName; // as named in messages ("data/sample.json")
    std::string_view text; // the whole tree file
    bool servedByDefault = true; // false: reachable only as "builtin:NAME"
};

// The built-in trees in the order of the list (the first is the primary).
const std::vector<BuiltinTree>& BuiltinTrees();

} // namespace veralith::client::memory
