#pragma once

// The `find` command: the window's search run over a session, with its
// result as text, CSV or JSON.

#include "app/cli/arguments.h"
#include "app/cli/session.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace veralith::app {

// Looks className up in the class list of the session's tree (ASCII case
// ignored). Found: className becomes its schema spelling, *flags (when not
// null) its flag word, returns true. Not found or unreadable: message says
// why, returns false.
bool LookUpClass(CliSession& session, std::string& className, std::int32_t* flags, std::string& message);

// Looks attribute up among the schema's attributes (ASCII case ignored), as
// for LookUpClass.
bool LookUpAttribute(CliSession& session, std::string& attribute, std::string& message);

// Runs find: the run's messages to err, the result to out or --output. Exit
// status as RunCommand.
int RunFind(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err);

} // namespace veralith::app
