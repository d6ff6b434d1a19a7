#pragma once

// The commands of veralith-cli over the program's layers.

#include "app/cli/arguments.h"

#include <cstdio>

namespace veralith::app {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitDuplicatesFound = 1;
inline constexpr int kExitFailure = 2;

// Runs the command of options (already parsed and valid, help not asked):
// sets the client's tree sources, starts the client, prepares the two contexts
// as the window's tree change does and runs the command. Results go to out
// (or, for find --output, to the file); messages and errors go to err.
// Returns the exit status: 0 success, 1 find --mode duplicates found
// duplicates, 2 a tree source that cannot be loaded, a bad name or a directory
// error.
int RunCommand(const CliOptions& options, std::FILE* out, std::FILE* err);

// The whole program: parses args (without the program name), prints usage for
// --help (status 0) and for bad arguments (to err, status 2), then RunCommand.
// Errors raised by the layers below are reported on err with status 2.
int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

} // namespace veralith::app
