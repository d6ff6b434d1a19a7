#include "app/cli/progress_line.h"

#include "util/format.h"

#include <unistd.h>

namespace veralith::app {

ProgressLine::ProgressLine(std::FILE* stream, Clock clock, std::chrono::milliseconds interval)
    : m_stream(stream)
    , m_clock(std::move(clock))
    , m_interval(interval)
{ }

std::chrono::steady_clock::time_point ProgressLine::Now() const
{
    return m_clock ? m_clock() : std::chrono::steady_clock::now();
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
    if (!m_phaseStarted || progress.searching != m_searching) {
        m_searching = progress.searching;
        m_phaseStart = now;
        m_phaseStarted = true;
    }
    if (m_drawnOnce && now - m_lastDrawn < m_interval) {
        return;
    }
    const double seconds = std::chrono::duration<double>(now - m_phaseStart).count();
    const std::size_t done = progress.searching ? progress.objectsFound : progress.valuesRead;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    // Back to the start of the line, the text, the rest of the line cleared.
    const std::string line = "\r" + Text(progress, rate) + "\033[K";
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fflush(m_stream);
    m_shown = true;
    m_drawnOnce = true;
    m_lastDrawn = now;
}

void ProgressLine::Erase()
{
    if (!m_shown) {
        return;
    }
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_shown = false;
    // The next progress is drawn at once.
    m_drawnOnce = false;
}

bool ProgressWanted(std::optional<bool> option, std::FILE* stream)
{
    if (option) {
        return *option;
    }
    return stream != nullptr && isatty(fileno(stream)) == 1;
}

} // namespace veralith::app
