#include "app/cli/progress_line.h"

#include "util/format.h"

#include <unistd.h>

namespace veralith::app {

ProgressLine::ProgressLine(std::FILE* stream, Clock clock, std::chrono::milliseconds interval)
    : stream_(stream)
    , clock_(std::move(clock))
    , interval_(interval)
{ }

std::chrono::steady_clock::time_point ProgressLine::Now() const
{
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

std::string ProgressLine::Text(const RunProgress& progress, double perSecond)
{
    std::string text = std::to_string(progress.objectsFound) + " objects found, " +
        std::to_string(progress.valuesRead) + " values read";
    if (perSecond > 0) {
        text += ", " + std::to_string(static_cast<unsigned long long>(perSecond + 0.5)) + "/s";
    }
    return text;
}

void ProgressLine::Show(const RunProgress& progress)
{
    const auto now = Now();
    if (!phaseStarted_ || progress.searching != searching_) {
        searching_ = progress.searching;
        phaseStart_ = now;
        phaseStarted_ = true;
    }
    if (drawnOnce_ && now - lastDrawn_ < interval_) {
        return;
    }
    const double seconds = std::chrono::duration<double>(now - phaseStart_).count();
    const std::size_t done = progress.searching ? progress.objectsFound : progress.valuesRead;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    // Back to the start of the line, the text, the rest of the line cleared.
    const std::string line = "\r" + Text(progress, rate) + "\033[K";
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fflush(stream_);
    shown_ = true;
    drawnOnce_ = true;
    lastDrawn_ = now;
}

void ProgressLine::Erase()
{
    if (!shown_) {
        return;
    }
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    shown_ = false;
    // The next progress is drawn at once.
    drawnOnce_ = false;
}

bool ProgressWanted(std::optional<bool> option, std::FILE* stream)
{
    if (option) {
        return *option;
    }
    return stream != nullptr && isatty(fileno(stream)) == 1;
}

} // namespace veralith::app
