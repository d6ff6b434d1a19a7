#include "app/cli/cli_surface.h"

#include "util/collate.h"

#include <algorithm>

namespace veralith::app {

void CliSurface::AddObjects(const util::StringList& names)
{
    const std::size_t previous = objects_.size();
    objects_.reserve(previous + names.Count());
    for (const util::StringListEntry& entry : names) {
        objects_.push_back(entry.text);
    }
    const auto middle = objects_.begin() + static_cast<std::ptrdiff_t>(previous);
    std::stable_sort(middle, objects_.end(), util::TextSortLess());
    std::inplace_merge(objects_.begin(), middle, objects_.end(), util::TextSortLess());
}

util::MessageBoxButton CliSurface::ShowMessage(util::MessageBoxKind, const std::string& text)
{
    if (messages_ != nullptr) {
        std::fwrite(text.data(), 1, text.size(), messages_);
        std::fputc('\n', messages_);
        std::fflush(messages_);
    }
    return util::MessageBoxButton::Ok;
}

} // namespace veralith::app
