#include "tests/app/cli_process.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace veralith::app {

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ChildProcess::ChildProcess(
    const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    char directory[] = "/tmp/veralith-cli-test-XXXXXX";
    if (mkdtemp(directory) == nullptr) {
        return;
    }
    m_directory = directory;
    const std::string outPath = m_directory + "/out";
    const std::string errPath = m_directory + "/err";

    m_pid = fork();
    if (m_pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        for (const std::string& entry : environment) {
            const std::size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                unsetenv(entry.c_str());
            } else {
                setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        Wait();
    }
    if (!m_directory.empty()) {
        std::remove((m_directory + "/out").c_str());
        std::remove((m_directory + "/err").c_str());
        rmdir(m_directory.c_str());
    }
}

ProcessResult ChildProcess::Wait()
{
    ProcessResult result;
    int status = 0;
    if (m_pid > 0 && waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    m_pid = -1;
    if (!m_directory.empty()) {
        result.out = ReadWhole(m_directory + "/out");
        result.err = ReadWhole(m_directory + "/err");
    }
    return result;
}

ProcessResult RunProcess(
    const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    return ChildProcess(path, args, environment).Wait();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace veralith::app
