#include "app/run/duplicate_list.h"

#include "util/text.h"

#include <functional>
#include <limits>
#include <stdexcept>

namespace veralith::app {

namespace {

constexpr std::uint64_t kEntryMask = 0xFFFFFFFFu;
constexpr std::uint64_t kTagMask = ~kEntryMask;

} // namespace

std::optional<std::int32_t> DuplicateList::Add(const std::string& value, std::int32_t objectIndex)
{
    scratch_.assign(value);
    for (char& c : scratch_) {
        c = util::FoldAsciiCase(c);
    }
    const std::uint64_t hash = std::hash<std::string_view>()(scratch_);
    const std::uint64_t tag = hash >> 32 << 32;
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
        if ((slots_[slot] & kTagMask) != tag) {
            continue;
        }
        const Entry& entry = entries_[(slots_[slot] & kEntryMask) - 1];
        if (Folded(entry) == scratch_) {
            return entry.objectIndex;
        }
    }
    if (entries_.size() >= std::numeric_limits<std::uint32_t>::max() - 1 ||
        scratch_.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("too many values to compare");
    }
    entries_.push_back(Entry {folded_.size(), static_cast<std::uint32_t>(scratch_.size()), objectIndex});
    folded_ += scratch_;
    slots_[slot] = tag | entries_.size();
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
        const std::uint64_t hash = std::hash<std::string_view>()(Folded(entries_[i]));
        std::size_t slot = hash & mask;
        while (slots_[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        slots_[slot] = (hash >> 32 << 32) | (i + 1);
    }
}

} // namespace veralith::app
