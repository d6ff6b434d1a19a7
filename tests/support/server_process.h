#pragma once

// Servers that tests start as child processes on the loopback interface
// (slapd, a Samba domain controller): finding a free port, starting the
// program with its output in a log, waiting until it answers, and stopping
// it.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veralith::test_support {

// A TCP port of 127.0.0.1 that was free a moment ago; 0 when none was found.
int FreeLoopbackPort();

// Whether a server accepts connections on port of 127.0.0.1.
bool LoopbackPortAnswers(int port);

// Starts program with args (without the program's name), standard output
// and error written to log. The child is killed when the test process ends,
// whatever ends it. Returns its pid, or -1 when fork failed.
pid_t StartLogged(const std::string& program, const std::vector<std::string>& args, const std::string& log);

enum class WaitOutcome {
    Answering, // every port answers
    Ended, // the process ended first (it is reaped)
    TimedOut, // still running, not answering
};

// Waits until every port answers, the process ends or timeout passes,
// checking every poll.
WaitOutcome WaitUntilAnswering(pid_t pid, const std::vector<int>& ports, std::chrono::milliseconds timeout,
    std::chrono::milliseconds poll = std::chrono::milliseconds(20));

// Ends pid: SIGCONT (a paused process could not act on what follows), then
// SIGTERM, and SIGKILL when it has not ended within grace; reaps it.
void StopProcess(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(5));

// The last limit bytes of a log, for an error message.
std::string LogTail(const std::string& path, std::size_t limit = 2000);

} // namespace veralith::test_support
