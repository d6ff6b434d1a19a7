#pragma once

// Measuring a benchmark: wall time, and a child process's time and peak memory.

#include <chrono>
#include <string>
#include <vector>

namespace veralith::bench {

class Stopwatch
{
public:
    Stopwatch()
        : m_start(std::chrono::steady_clock::now())
    { }
    double Milliseconds() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// CPU time this process has used, in milliseconds. On a machine shared with
// other work, CPU time shows what the program costs; wall time shows what a
// user waits.
double ProcessCpuMilliseconds();

class CpuStopwatch
{
public:
    CpuStopwatch()
        : m_start(ProcessCpuMilliseconds())
    { }
    double Milliseconds() const { return ProcessCpuMilliseconds() - m_start; }

private:
    double m_start;
};

struct ChildRun
{
    int status = -1; // exit status, -1 when it did not exit normally
    double milliseconds = 0;
    double cpuMilliseconds = 0; // user and system time of the child
    long peakKilobytes = 0; // the child's maximum resident set size
};

// Runs path with args, standard output and error sent to /dev/null, and waits
// for it.
ChildRun RunChild(const std::string& path, const std::vector<std::string>& args);

// This process's maximum resident set size so far, in kilobytes.
long PeakKilobytes();

} // namespace veralith::bench
