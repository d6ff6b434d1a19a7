#pragma once

// Runs veralith-cli as a child process and captures its output.

#include <string>
#include <vector>

namespace veralith::app {

struct ProcessResult
{
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the program at path with args; environment entries "NAME=value" are
// set in the child ("NAME" alone removes the variable).
ProcessResult RunProcess(
    const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment = {});

} // namespace veralith::app
