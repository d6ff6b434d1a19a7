#pragma once

// A command line session: the started client, the chosen tree and the two
// contexts prepared exactly as the window's tree change prepares them.

#include "client/scoped.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veralith::app {

struct CliSession
{
    std::string tree;
    // Name context: the tree's default name context (or "[Root]"); flag 0x04 added.
    client::ScopedContext navigation;
    // Name context "[Root]"; flag 0x04 added.
    client::ScopedContext search;
};

// Configures the client with treeFiles (empty: its usual configuration) and
// starts it. Returns "" on success, else the reason (a tree file that did not
// load has also been described on standard error by the client).
std::string StartClient(const std::vector<std::string>& treeFiles);

// Opens a session on tree (empty: the primary connection's tree when the tree
// list holds it, else the first tree of the list). Returns "" on success, else
// the reason, with the error text of the client's code.
std::string OpenSession(const std::string& tree, CliSession& session);

// "<operation> returned error <error text>", the window's error report text.
std::string DirectoryErrorMessage(const std::string& operation, std::int32_t code);

} // namespace veralith::app
