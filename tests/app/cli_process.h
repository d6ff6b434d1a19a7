#pragma once

// Runs veralith-cli as a child process and captures its output.

#include <string>
#include <sys/types.h>
#include <vector>

namespace veralith::app {

struct ProcessResult
{
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// The program at path running with args; environment entries "NAME=value"
// are set in the child ("NAME" alone removes the variable). Its standard
// output and error go to files read by wait(). A child still running when
// the object goes away is killed.
class ChildProcess
{
public:
    ChildProcess(const std::string& path, const std::vector<std::string>& args,
        const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when the child could not be started.
    pid_t Pid() const { return m_pid; }
    // Waits for the child to end; its exit status and output.
    ProcessResult Wait();

private:
    std::string m_directory;
    pid_t m_pid = -1;
};

// Runs the program to its end (as ChildProcess, then wait()).
ProcessResult RunProcess(
    const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment = {});

// The lines of a program's output, without their line ends.
std::vector<std::string> Lines(const std::string& text);

} // namespace veralith::app
