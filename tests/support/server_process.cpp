#include "tests/support/server_process.h"

#include "tests/support/files.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace veralith::test_support {

namespace {

sockaddr_in LoopbackAddress(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

} // namespace

int FreeLoopbackPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool LoopbackPortAnswers(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = LoopbackAddress(port);
    const bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

pid_t StartLogged(const std::string& program, const std::vector<std::string>& args, const std::string& log)
{
    std::vector<std::string> words {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(1); // the test process ended before the signal was set up
        }
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

WaitOutcome WaitUntilAnswering(
    pid_t pid, const std::vector<int>& ports, std::chrono::milliseconds timeout, std::chrono::milliseconds poll)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::all_of(ports.begin(), ports.end(), LoopbackPortAnswers)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WaitOutcome::Ended;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return WaitOutcome::TimedOut;
        }
        std::this_thread::sleep_for(poll);
    }
    return WaitOutcome::Answering;
}

void StopProcess(pid_t pid, std::chrono::milliseconds grace)
{
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string LogTail(const std::string& path, std::size_t limit)
{
    const std::string text = ReadWholeFile(path);
    return text.size() > limit ? "..." + text.substr(text.size() - limit) : text;
}

} // namespace veralith::test_support
