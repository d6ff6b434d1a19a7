#include "util/collate.h"

#include "util/text.h"

#include <cstring>
#include <string>

namespace veralith::util {

namespace {

// The next NUL-free part of text starting at offset (the part ends at a NUL or
// at the end of the text).
std::string_view NextPart(std::string_view text, std::size_t offset)
{
    const std::size_t end = text.find('\0', offset);
    return text.substr(offset, end == std::string_view::npos ? std::string_view::npos : end - offset);
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int CompareTextsForSorting(std::string_view a, std::string_view b)
{
    const std::string foldedA = FoldAsciiCase(a);
    const std::string foldedB = FoldAsciiCase(b);
    std::size_t offsetA = 0;
    std::size_t offsetB = 0;
    // Compare part by part; strcoll sees NUL-terminated parts only.
    while (true) {
        const bool endA = offsetA > foldedA.size();
        const bool endB = offsetB > foldedB.size();
        if (endA || endB) {
            if (endA && endB) {
                break;
            }
            return endA ? -1 : 1;
        }
        const std::string partA(NextPart(foldedA, offsetA));
        const std::string partB(NextPart(foldedB, offsetB));
        const int order = Sign(std::strcoll(partA.c_str(), partB.c_str()));
        if (order != 0) {
            return order;
        }
        offsetA += partA.size() + 1;
        offsetB += partB.size() + 1;
    }
    // The collation found them equal: the folded bytes decide, so that 0 means
    // "equal after folding" and the order stays a strict weak ordering.
    return Sign(foldedA.compare(foldedB));
}

bool SameTextForSorting(std::string_view a, std::string_view b)
{
    return CompareTextsForSorting(a, b) == 0;
}

} // namespace veralith::util
