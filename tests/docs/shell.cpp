#include "tests/docs/shell.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace veralith::docs_test {

namespace {

// Closes a descriptor on every path.
struct Fd
{
    int fd = -1;
    ~Fd() { reset(); }
    void reset()
    {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
    }
};

} // namespace

ShellResult RunShell(
    const std::string& command, const std::string& directory, const std::vector<std::string>& environment)
{
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        throw std::runtime_error("pipe failed");
    }
    Fd outRead {outPipe[0]};
    Fd outWrite {outPipe[1]};
    Fd errRead {errPipe[0]};
    Fd errWrite {errPipe[1]};

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(outPipe[1], 1) < 0 || dup2(errPipe[1], 2) < 0 ||
            chdir(directory.c_str()) != 0) {
            _exit(127);
        }
        close(outPipe[0]);
        close(errPipe[0]);
        for (const std::string& entry : environment) {
            const std::size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                unsetenv(entry.c_str());
            } else {
                setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    outWrite.reset();
    errWrite.reset();

    ShellResult result;
    pollfd fds[2] = {{outRead.fd, POLLIN, 0}, {errRead.fd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace veralith::docs_test
