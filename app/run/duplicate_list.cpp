#include "app/run/duplicate_list.h"

#include "util/text.h"

namespace veralith::app {

std::optional<std::int32_t> DuplicateList::Add(const std::string& value, std::int32_t objectIndex)
{
    const auto [position, inserted] = entries_.try_emplace(util::FoldAsciiCase(value), objectIndex);
    if (inserted) {
        return std::nullopt;
    }
    return position->second;
}

} // namespace veralith::app
