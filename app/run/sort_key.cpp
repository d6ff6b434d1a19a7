#include "app/run/sort_key.h"

#include "util/collate.h"
#include "util/text.h"

#include <algorithm>
#include <cstring>

namespace veralith::app {

SortKey::SortKey(std::string_view text)
    : m_folded(util::FoldAsciiCase(text))
    , m_hasNul(text.find('\0') != std::string_view::npos)
{ }

int CompareSortKeys(const SortKey& a, const SortKey& b)
{
    if (a.m_hasNul || b.m_hasNul) {
        return util::CompareTextsForSorting(a.m_folded, b.m_folded);
    }
    const int order = std::strcoll(a.m_folded.c_str(), b.m_folded.c_str());
    if (order != 0) {
        return order < 0 ? -1 : 1;
    }
    const int bytes = a.m_folded.compare(b.m_folded);
    return (bytes > 0) - (bytes < 0);
}

std::vector<std::uint32_t> StableSortOrder(const std::vector<SortKey>& keys, const std::function<void()>& pace)
{
    constexpr std::size_t kRun = 32;
    const std::size_t count = keys.size();
    std::vector<std::uint32_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    const auto less = [&keys](std::uint32_t a, std::uint32_t b) { return CompareSortKeys(keys[a], keys[b]) < 0; };
    const auto step = [&pace] {
        if (pace) {
            pace();
        }
    };

    // Short runs sorted in place, then merged pairwise, pass by pass.
    for (std::size_t start = 0; start < count; start += kRun) {
        const auto first = order.begin() + static_cast<std::ptrdiff_t>(start);
        std::stable_sort(first, first + static_cast<std::ptrdiff_t>(std::min(kRun, count - start)), less);
        step();
    }
    std::vector<std::uint32_t> merged(count);
    for (std::size_t width = kRun; width < count; width *= 2) {
        for (std::size_t start = 0; start < count; start += 2 * width) {
            const auto at = [](std::vector<std::uint32_t>& list, std::size_t index) {
                return list.begin() + static_cast<std::ptrdiff_t>(index);
            };
            const std::size_t middle = std::min(count, start + width);
            const std::size_t end = std::min(count, start + 2 * width);
            // std::merge takes from the first run on ties: the sort stays stable.
            std::merge(at(order, start), at(order, middle), at(order, middle), at(order, end), at(merged, start), less);
            step();
        }
        order.swap(merged);
    }
    return order;
}

std::vector<std::uint32_t> StableSortOrder(const std::vector<std::string>& texts)
{
    const std::size_t count = texts.size();
    std::size_t bytes = 0;
    for (const std::string& text : texts) {
        if (text.find('\0') != std::string::npos) {
            // Parts between NUL bytes are collated one by one: the keys do it.
            std::vector<SortKey> keys;
            keys.reserve(count);
            for (const std::string& t : texts) {
                keys.emplace_back(t);
            }
            return StableSortOrder(keys);
        }
        bytes += text.size() + 1;
    }
    // Every folded text with its NUL, one after the other.
    std::string folded;
    folded.reserve(bytes);
    std::vector<std::size_t> start(count);
    for (std::size_t i = 0; i < count; ++i) {
        start[i] = folded.size();
        folded += util::FoldAsciiCase(texts[i]);
        folded += '\0';
    }
    const char* base = folded.data();
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        // As CompareSortKeys: the collation, then the folded bytes.
        const char* x = base + start[a];
        const char* y = base + start[b];
        const int order = std::strcoll(x, y);
        if (order != 0) {
            return order < 0;
        }
        return std::strcmp(x, y) < 0;
    };
    std::vector<std::uint32_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    std::stable_sort(order.begin(), order.end(), less);
    return order;
}

} // namespace veralith::app
