#pragma once

// The command line's progress display: one line on a terminal, redrawn in
// place while a run works, erased when it ends, so that a long run shows how
// far it has come and leaves nothing behind:
//
//   12345 objects found, 6789 values read, 41000/s
//
// The rate is that of the current phase (objects named while the search
// runs, values read afterwards).

#include "app/run/search_surface.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace veralith::app {

class ProgressLine
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Writes to stream; clock gives the time (the steady clock when empty).
    // The line is redrawn at most every interval.
    explicit ProgressLine(
        std::FILE* stream, Clock clock = {}, std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~ProgressLine() { Erase(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Takes the run's progress; redraws the line when interval has passed
    // since the last drawing (the first progress is drawn at once).
    void Show(const RunProgress& progress);
    // Removes the line from the terminal, if one is shown (before a message
    // is written, and at the end of the run).
    void Erase();

    // The line's text for a progress and a rate per second.
    static std::string Text(const RunProgress& progress, double perSecond);

private:
    std::chrono::steady_clock::time_point Now() const;

    std::FILE* m_stream;
    Clock m_clock;
    std::chrono::milliseconds m_interval;
    bool m_shown = false;
    bool m_drawnOnce = false;
    std::chrono::steady_clock::time_point m_lastDrawn {};
    // Start of the current phase and its count there.
    bool m_searching = true;
    std::chrono::steady_clock::time_point m_phaseStart {};
    bool m_phaseStarted = false;
};

// Whether find shows the progress line: as --progress / --no-progress say
// (option), otherwise when the stream is a terminal.
bool ProgressWanted(std::optional<bool> option, std::FILE* stream);

} // namespace veralith::app
