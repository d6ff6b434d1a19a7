#pragma once

// The `find` command: the window's search run over a session, with its
// result as text, CSV or JSON.

#include "app/cli/arguments.h"
#include "app/cli/session.h"
#include "util/result.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace veralith::app {

// Looks className up in the class list of the session's tree (ASCII case
// ignored). Found: className becomes its schema spelling, *flags (when not
// null) its flag word. Not found or unreadable: fails with the reason.
util::Status LookUpClass(CliSession& session, std::string& className, std::int32_t* flags);

// Looks attribute up among the schema's attributes (ASCII case ignored), as
// for LookUpClass.
util::Status LookUpAttribute(CliSession& session, std::string& attribute);

// Runs find: the run's messages to err, the result to out or --output. Exit
// status as RunCommand.
int RunFind(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err);

} // namespace veralith::app
