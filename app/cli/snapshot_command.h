#pragma once

// veralith-cli snapshot: a tree source written whole as a tree file or LDIF.

#include "app/cli/arguments.h"
#include "app/cli/session.h"

#include <cstdio>

namespace veralith::app {

// Writes the session's tree to --output (or out) in the format asked for;
// warnings and errors go to err. Returns an exit status.
int RunSnapshot(const CliOptions& options, const CliSession& session, std::FILE* out, std::FILE* err);

} // namespace veralith::app
