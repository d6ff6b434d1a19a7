#include "bench/bench_process.h"

#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veralith::bench {

ChildRun RunChild(const std::string& path, const std::vector<std::string>& args)
{
    ChildRun run;
    const Stopwatch watch;
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) {
            _exit(127);
        }
        std::vector<char*> argv {const_cast<char*>(path.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        run.milliseconds = watch.Milliseconds();
        run.peakKilobytes = usage.ru_maxrss;
        run.cpuMilliseconds = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
        if (WIFEXITED(status)) {
            run.status = WEXITSTATUS(status);
        }
    }
    return run;
}

double ProcessCpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

long PeakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace veralith::bench
