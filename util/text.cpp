#include "util/text.h"

#include <algorithm>

namespace veralith::util {

std::string FoldAsciiCase(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        c = FoldAsciiCase(c);
    }
    return folded;
}

std::uint16_t MinWord(std::uint16_t a, std::uint16_t b)
{
    return a < b ? a : b;
}

std::int32_t MinInt(std::int32_t a, std::int32_t b)
{
    return a < b ? a : b;
}

std::string IfThenText(bool flag, const std::string& whenTrue, const std::string& whenFalse)
{
    return flag ? whenTrue : whenFalse;
}

std::string BoolToText(bool flag)
{
    return flag ? "TRUE" : "FALSE";
}

std::string PickText(std::int32_t index, const std::vector<std::string>& list)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        return "n/a";
    }
    return list[static_cast<std::size_t>(index)];
}

std::int32_t IndexOfText(std::string_view text, const std::vector<std::string>& list, bool caseSensitive)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool equal = caseSensitive ? list[i] == text : SameTextIgnoreCase(list[i], text);
        if (equal) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

bool TextInList(std::string_view text, const std::vector<std::string>& list, bool caseSensitive)
{
    return IndexOfText(text, list, caseSensitive) >= 0;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) {
            return false;
        }
    }
    return true;
}

namespace {

// 0-based offset of the first occurrence of pattern in text at or after from;
// npos when absent or when the pattern is empty.
std::size_t FindOffset(std::string_view pattern, std::string_view text, bool caseSensitive, std::size_t from = 0)
{
    if (pattern.empty() || pattern.size() > text.size()) {
        return std::string_view::npos;
    }
    if (caseSensitive) {
        return text.find(pattern, from);
    }
    const auto same = [](char x, char y) { return FoldAsciiCase(x) == FoldAsciiCase(y); };
    const auto start = text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size()));
    const auto hit = std::search(start, text.end(), pattern.begin(), pattern.end(), same);
    return hit == text.end() ? std::string_view::npos : static_cast<std::size_t>(hit - text.begin());
}

} // namespace

std::int32_t FindText(std::string_view pattern, std::string_view text, bool caseSensitive)
{
    const std::size_t offset = FindOffset(pattern, text, caseSensitive);
    return offset == std::string_view::npos ? 0 : static_cast<std::int32_t>(offset + 1);
}

std::int32_t PosIgnoreCase(std::string_view pattern, std::string_view text)
{
    return FindText(pattern, text, false);
}

char LastChar(std::string_view text)
{
    return text.empty() ? '\0' : text.back();
}

std::string TextBefore(const std::string& text, std::string_view marker, bool dropMarker)
{
    const std::size_t offset = FindOffset(marker, text, true);
    if (offset == std::string::npos) {
        return text;
    }
    return text.substr(0, dropMarker ? offset : offset + marker.size());
}

std::string TextAfter(const std::string& text, std::string_view marker, bool dropMarker)
{
    const std::size_t offset = FindOffset(marker, text, true);
    if (offset == std::string::npos) {
        return text;
    }
    return text.substr(dropMarker ? offset + marker.size() : offset);
}

SplitPair SplitAtFirst(const std::string& text, std::string_view separator)
{
    const std::size_t offset = FindOffset(separator, text, true);
    if (offset == std::string::npos) {
        return {text, {}};
    }
    return {text.substr(0, offset), text.substr(offset + separator.size())};
}

SplitTriple SplitInThree(const std::string& text, std::string_view separator)
{
    SplitPair outer = SplitAtFirst(text, separator);
    SplitPair inner = SplitAtFirst(outer.right, separator);
    return {std::move(outer.left), std::move(inner.left), std::move(inner.right)};
}

std::string ReplaceText(const std::string& text, std::string_view pattern, std::string_view replacement,
    bool caseSensitive, bool replaceAll)
{
    if (pattern.empty() || pattern == replacement) {
        return text;
    }
    // Iterative form of "left + replacement + ReplaceText(right)": the search
    // continues behind each replaced occurrence, never inside the replacement.
    std::string result;
    std::size_t from = 0;
    while (true) {
        const std::size_t offset = FindOffset(pattern, text, caseSensitive, from);
        if (offset == std::string::npos) {
            break;
        }
        result.append(text, from, offset - from);
        result.append(replacement);
        from = offset + pattern.size();
        if (!replaceAll) {
            break;
        }
    }
    result.append(text, from, std::string::npos);
    return result;
}

void ReplaceInPlace(
    std::string& text, std::string_view pattern, std::string_view replacement, bool caseSensitive, bool replaceAll)
{
    text = ReplaceText(text, pattern, replacement, caseSensitive, replaceAll);
}

std::string RemoveChars(std::string_view text, std::string_view chars)
{
    const CharSet set = CharSet::FromChars(chars);
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (!set.Contains(c)) {
            result.push_back(c);
        }
    }
    return result;
}

std::string TrimRightChars(std::string_view text, std::string_view chars)
{
    return TrimRightSet(text, CharSet::FromChars(chars));
}

std::string TrimLeftChars(std::string_view text, std::string_view chars)
{
    return TrimLeftSet(text, CharSet::FromChars(chars));
}

std::string TrimRightSet(std::string_view text, const CharSet& set)
{
    std::size_t end = text.size();
    while (end > 0 && set.Contains(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string TrimLeftSet(std::string_view text, const CharSet& set)
{
    std::size_t start = 0;
    while (start < text.size() && set.Contains(text[start])) {
        ++start;
    }
    return std::string(text.substr(start));
}

std::int32_t CountCharsInSet(std::string_view text, const CharSet& set)
{
    std::int32_t count = 0;
    for (char c : text) {
        if (set.Contains(c)) {
            ++count;
        }
    }
    return count;
}

std::string EnsurePrefix(const std::string& text, std::string_view prefix)
{
    if (std::string_view(text).starts_with(prefix)) {
        return text;
    }
    std::string result(prefix);
    result += text;
    return result;
}

std::string JoinNonEmpty(const std::string& a, const std::string& b, std::string_view separator)
{
    if (a.empty() || b.empty()) {
        return a + b;
    }
    std::string result = a;
    result += separator;
    result += b;
    return result;
}

std::string QuoteText(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"') {
            result.push_back('"');
        }
        result.push_back(c);
    }
    result.push_back('"');
    return result;
}

} // namespace veralith::util
