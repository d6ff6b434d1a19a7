#include "app/run/duplicate_list.h"

#include "util/text.h"

#include <functional>
#include <limits>
#include <stdexcept>

namespace veralith::app {

std::optional<std::int32_t> DuplicateList::Add(const std::string& value, std::int32_t objectIndex)
{
    scratch_.assign(value);
    for (char& c : scratch_) {
        c = util::FoldAsciiCase(c);
    }
    const std::size_t hash = std::hash<std::string_view>()(scratch_);
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
        const Entry& entry = entries_[slots_[slot] - 1];
        if (entry.hash == hash && Folded(entry) == scratch_) {
            return entry.objectIndex;
        }
    }
    if (entries_.size() >= std::numeric_limits<std::uint32_t>::max() - 1) {
        throw std::length_error("too many values to compare");
    }
    entries_.push_back(Entry {folded_.size(), scratch_.size(), hash, objectIndex});
    folded_ += scratch_;
    slots_[slot] = static_cast<std::uint32_t>(entries_.size());
    return std::nullopt;
}

void DuplicateList::Clear()
{
    entries_.clear();
    folded_.clear();
    slots_.clear();
}

void DuplicateList::Grow()
{
    const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    slots_.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        std::size_t slot = entries_[i].hash & mask;
        while (slots_[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        slots_[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

} // namespace veralith::app
