#pragma once

// SortKey: a text prepared once for many comparisons in the order of
// util::CompareTextsForSorting (ASCII case folded, then the C library's
// collation of the current locale, the folded bytes deciding between texts the
// collation finds equal).
//
// util::CompareTextsForSorting folds both texts (allocating) on every call;
// sorting 100,000 names or keeping a duplicate list of 100,000 values makes
// millions of calls. A key holds the folded text, so a comparison is one
// strcoll and no allocation. The result is the same as
// util::CompareTextsForSorting on the original texts, always: that comparison
// depends on the folded texts only, and texts holding NUL bytes are compared
// by util::CompareTextsForSorting itself.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::app {

class SortKey
{
public:
    explicit SortKey(std::string_view text);

    const std::string& Folded() const { return m_folded; }

private:
    friend int CompareSortKeys(const SortKey& a, const SortKey& b);

    std::string m_folded;
    bool m_hasNul = false;
};

// Negative, 0 or positive exactly as util::CompareTextsForSorting(a's text,
// b's text). 0 means the texts are equal after ASCII case folding.
int CompareSortKeys(const SortKey& a, const SortKey& b);

struct SortKeyLess
{
    bool operator()(const SortKey& a, const SortKey& b) const { return CompareSortKeys(a, b) < 0; }
};

// The positions 0..keys.size()-1 in the sorted order of the keys; keys that
// compare equal keep their order (a stable sort). A bottom-up merge sort that
// calls pace (when given) after every short step, at most a few thousand
// comparisons apart, so that a window can process its pending messages while
// it sorts 100,000 names.
std::vector<std::uint32_t> StableSortOrder(const std::vector<SortKey>& keys, const std::function<void()>& pace = {});

// The same order for texts, without pacing, for lists of a million names: the
// folded texts are kept in one block rather than one allocation each.
std::vector<std::uint32_t> StableSortOrder(const std::vector<std::string>& texts);

} // namespace veralith::app
