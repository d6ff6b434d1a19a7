#pragma once

// A command line session: the started client, the chosen tree and the two
// contexts prepared exactly as the window's tree change prepares them.

#include "app/run/search_run.h"
#include "client/scoped.h"
#include "util/result.h"

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

// Configures the client with treeFiles (empty: VERALITH_TREES, else the
// built-in trees; an empty VERALITH_TREES counts as unset) and starts it.
// Fails with the reason: every source that did not load, one line each
// ("<source>: <what and why>"); any such source is a failure, also when others
// loaded.
util::Status StartClient(const std::vector<std::string>& treeFiles);

// Opens a session on tree (empty: the primary connection's tree when the tree
// list holds it, else the first tree of the list). Fails with the reason, with
// the error text of the client's code.
util::Status OpenSession(const std::string& tree, CliSession& session);

} // namespace veralith::app
