#include "app/cli/cli_surface.h"

#include "app/run/sort_key.h"

#include <algorithm>
#include <cstdint>

namespace veralith::app {

void CliSurface::AddObjects(const util::StringList& names)
{
    std::vector<std::string> all = std::move(objects_);
    all.reserve(all.size() + names.Count());
    for (const util::StringListEntry& entry : names) {
        all.push_back(entry.text);
    }
    const std::vector<std::uint32_t> order = StableSortOrder(all);
    objects_.clear();
    objects_.reserve(all.size());
    for (const std::uint32_t index : order) {
        objects_.push_back(std::move(all[index]));
    }
}

util::MessageBoxButton CliSurface::ShowMessage(util::MessageBoxKind kind, const std::string& text)
{
    lastMessage_ = text;
    if (!IsRunning()) {
        // Outside a run only the guard speaks; the command reports it.
        return util::MessageBoxButton::Ok;
    }
    if (quiet_ && kind == util::MessageBoxKind::Information) {
        return util::MessageBoxButton::Ok;
    }
    if (progress_ != nullptr) {
        progress_->Erase();
    }
    if (messages_ != nullptr) {
        std::fwrite(text.data(), 1, text.size(), messages_);
        std::fputc('\n', messages_);
        std::fflush(messages_);
    }
    return util::MessageBoxButton::Ok;
}

void CliSurface::RunProgressed(const RunProgress& progress)
{
    if (progress_ != nullptr) {
        progress_->Show(progress);
    }
}

void CliSurface::RunningChanged(bool running)
{
    if (!running && progress_ != nullptr) {
        progress_->Erase();
    }
}

} // namespace veralith::app
