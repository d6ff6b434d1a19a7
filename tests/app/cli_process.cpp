#include "tests/app/cli_process.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
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

ProcessResult RunProcess(
    const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    char directory[] = "/tmp/veralith-cli-test-XXXXXX";
    ProcessResult result;
    if (mkdtemp(directory) == nullptr) {
        return result;
    }
    const std::string outPath = std::string(directory) + "/out";
    const std::string errPath = std::string(directory) + "/err";

    const pid_t child = fork();
    if (child == 0) {
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
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    result.out = ReadWhole(outPath);
    result.err = ReadWhole(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    rmdir(directory);
    return result;
}

} // namespace veralith::app
