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
        : start_(std::chrono::steady_clock::now())
    { }
    double Milliseconds() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

struct ChildRun
{
    int status = -1; // exit status, -1 when it did not exit normally
    double milliseconds = 0;
    long peakKilobytes = 0; // the child's maximum resident set size
};

// Runs path with args, standard output and error sent to /dev/null, and waits
// for it.
ChildRun RunChild(const std::string& path, const std::vector<std::string>& args);

// This process's maximum resident set size so far, in kilobytes.
long PeakKilobytes();

} // namespace veralith::bench
