#pragma once

// Runs a shell command line the way a reader types it into a terminal.

#include <string>
#include <vector>

namespace veralith::docs_test {

struct ShellResult
{
    int status = -1; // exit status of the shell; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs command with /bin/sh -c in directory, with standard input from
// /dev/null; environment entries "NAME=value" are set for the shell ("NAME"
// alone removes the variable). Both output streams are captured whole.
ShellResult RunShell(
    const std::string& command, const std::string& directory, const std::vector<std::string>& environment);

} // namespace veralith::docs_test
