#include "app/cli/cli_surface.h"

#include "app/run/sort_key.h"

#include <algorithm>
#include <cstdint>

namespace veralith::app {

void CliSurface::AddObjects(const util::StringList& names)
{
    std::vector<std::string> all = std::move(m_objects);
    all.reserve(all.size() + names.Count());
    for (const util::StringListEntry& entry : names) {
        all.push_back(entry.text);
    }
    const std::vector<std::uint32_t> order = StableSortOrder(all);
    m_objects.clear();
    m_objects.reserve(all.size());
    for (const std::uint32_t index : order) {
        m_objects.push_back(std::move(all[index]));
    }
}

util::MessageBoxButton CliSurface::ShowMessage(util::MessageBoxKind kind, const std::string& text)
{
    m_lastMessage = text;
    if (!IsRunning()) {
        // Outside a run only the guard speaks; the command reports it.
        return util::MessageBoxButton::Ok;
    }
    if (m_quiet && kind == util::MessageBoxKind::Information) {
        return util::MessageBoxButton::Ok;
    }
    if (m_progress != nullptr) {
        m_progress->Erase();
    }
    if (m_messages != nullptr) {
        std::fwrite(text.data(), 1, text.size(), m_messages);
        std::fputc('\n', m_messages);
        std::fflush(m_messages);
    }
    return util::MessageBoxButton::Ok;
}

void CliSurface::RunProgressed(const RunProgress& progress)
{
    if (m_progress != nullptr) {
        m_progress->Show(progress);
    }
}

void CliSurface::RunningChanged(bool running)
{
    if (!running && m_progress != nullptr) {
        m_progress->Erase();
    }
}

} // namespace veralith::app
