#pragma once

// The one comparison that orders every sorted list of texts (the window's
// sorted lists and combo boxes, the duplicate list, the command line's sorted
// output), so the window and the command line order and match texts identically.

#include <string_view>

namespace veralith::util {

// Negative, 0 or positive as a sorts before, equal to or after b. Both texts are
// first folded to ASCII upper case (a-z only), then compared with the C
// library's collation (strcoll) of the process's current LC_COLLATE locale.
// Texts holding NUL bytes are compared part by part (the parts between NULs,
// each by strcoll; a text with fewer parts sorts first when all shared parts are
// equal). When strcoll finds two different folded texts equal, their bytes
// decide, so that 0 means "equal after folding".
int CompareTextsForSorting(std::string_view a, std::string_view b);

// CompareTextsForSorting(a, b) == 0.
bool SameTextForSorting(std::string_view a, std::string_view b);

// A strict weak ordering for std::sort / std::map over CompareTextsForSorting.
struct TextSortLess
{
    bool operator()(std::string_view a, std::string_view b) const { return CompareTextsForSorting(a, b) < 0; }
};

} // namespace veralith::util
