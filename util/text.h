#pragma once

// Text helpers shared by every layer: choosing, comparing, searching, cutting,
// replacing and trimming 8-bit texts.
//
// A text is a std::string of 8-bit characters; it may hold NUL bytes, which are
// ordinary characters. Positions are 1-based and 0 means "not found"; list
// indexes are 0-based and -1 means "not found". Wherever case is ignored, only
// the ASCII letters a-z are folded to A-Z; every other byte (letters outside
// ASCII included) compares unchanged. Every operation returns a new text and
// leaves its inputs unchanged, except ReplaceInPlace, which stores its result
// back into the caller's text.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::util {

// ---- Character sets ----------------------------------------------------------

// A set of byte values 0-255 (a 256-bit bitmap), for callers that build the set
// in code, e.g. CharSet{'\t', ' '}.
class CharSet
{
public:
    constexpr CharSet() = default;
    constexpr CharSet(std::initializer_list<unsigned char> chars)
    {
        for (unsigned char c : chars) {
            Add(c);
        }
    }
    // Every character of the text becomes a member.
    static CharSet FromChars(std::string_view chars)
    {
        CharSet set;
        for (char c : chars) {
            set.Add(static_cast<unsigned char>(c));
        }
        return set;
    }
    constexpr void Add(unsigned char c) { m_bits[c >> 6] |= std::uint64_t {1} << (c & 63); }
    constexpr void Remove(unsigned char c) { m_bits[c >> 6] &= ~(std::uint64_t {1} << (c & 63)); }
    constexpr bool Contains(unsigned char c) const { return (m_bits[c >> 6] >> (c & 63)) & 1; }
    constexpr bool Contains(char c) const { return Contains(static_cast<unsigned char>(c)); }

private:
    std::array<std::uint64_t, 4> m_bits {};
};

// ---- Case folding ---------------------------------------------------------------

// The character with a-z mapped to A-Z; any other byte unchanged.
constexpr char FoldAsciiCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with a-z mapped to A-Z; any other byte unchanged.
std::string FoldAsciiCase(std::string_view text);

// ---- Choosing and comparing -------------------------------------------------------

// The smaller of a and b (used to cap lengths at 2,303).
std::uint16_t MinWord(std::uint16_t a, std::uint16_t b);

// The smaller of a and b.
std::int32_t MinInt(std::int32_t a, std::int32_t b);

// whenTrue if flag is set, else whenFalse.
std::string IfThenText(bool flag, const std::string& whenTrue, const std::string& whenFalse);

// "TRUE" or "FALSE".
std::string BoolToText(bool flag);

// The entry at the 0-based index; "n/a" when the index is negative or past the
// last entry (an empty list always gives "n/a").
std::string PickText(std::int32_t index, const std::vector<std::string>& list);

// 0-based index of the first entry equal to text (exactly, or after ASCII case
// folding of both sides when caseSensitive is false); -1 when none is equal.
std::int32_t IndexOfText(std::string_view text, const std::vector<std::string>& list, bool caseSensitive);

// IndexOfText(text, list, caseSensitive) >= 0.
bool TextInList(std::string_view text, const std::vector<std::string>& list, bool caseSensitive);

// True when a and b have the same length and are equal after ASCII case folding;
// two empty texts are equal.
bool SameTextIgnoreCase(std::string_view a, std::string_view b);

// ---- Searching and cutting ----------------------------------------------------------

// 1-based position of the first occurrence of pattern in text, exact or after
// ASCII case folding of both; 0 when absent or when the pattern is empty.
std::int32_t FindText(std::string_view pattern, std::string_view text, bool caseSensitive);

// FindText(pattern, text, false).
std::int32_t PosIgnoreCase(std::string_view pattern, std::string_view text);

// The last character of text. Precondition: text is not empty (callers test for
// emptiness first); an empty text gives NUL rather than reading outside it.
char LastChar(std::string_view text);

// If marker occurs in text (exact search): the text up to its first occurrence,
// including the marker when dropMarker is false, excluding it when true. The
// whole text when the marker is absent or empty.
std::string TextBefore(const std::string& text, std::string_view marker, bool dropMarker);

// If marker occurs in text (exact search): the text from its first occurrence
// on, including the marker when dropMarker is false, starting just behind it
// when true. The whole text when the marker is absent or empty.
std::string TextAfter(const std::string& text, std::string_view marker, bool dropMarker);

// Result of SplitAtFirst.
struct SplitPair
{
    std::string left;
    std::string right;
};

// At the first exact occurrence of separator: left = everything before it,
// right = everything after it (the separator belongs to neither). When the
// separator is absent or empty: left = the whole text, right = empty.
SplitPair SplitAtFirst(const std::string& text, std::string_view separator);

// Result of SplitInThree.
struct SplitTriple
{
    std::string first;
    std::string second;
    std::string rest;
};

// SplitAtFirst on text gives first and a remainder; SplitAtFirst on the
// remainder gives second and rest ("a-b-c-d" with "-" gives "a", "b", "c-d";
// "a" gives "a", "", "").
SplitTriple SplitInThree(const std::string& text, std::string_view separator);

// ---- Editing ---------------------------------------------------------------------------

// Replaces the first occurrence of pattern (exact or ASCII case-folded), or all
// of them when replaceAll is set. Matching is non-overlapping, left to right,
// and only the part behind a replaced occurrence is searched again, so a
// replacement that contains the pattern is never replaced a second time ("aaa"
// with "aa" -> "b" gives "ba"; "ab" with "b" -> "bb" gives "abb"). An empty
// pattern, or a pattern exactly equal to the replacement, leaves the text
// unchanged.
std::string ReplaceText(const std::string& text, std::string_view pattern, std::string_view replacement,
    bool caseSensitive, bool replaceAll);

// ReplaceText whose result is stored back into text.
void ReplaceInPlace(
    std::string& text, std::string_view pattern, std::string_view replacement, bool caseSensitive, bool replaceAll);

// Every character of text that occurs in chars is deleted ("[a]b[" with "[]"
// gives "ab").
std::string RemoveChars(std::string_view text, std::string_view chars);

// Deletes characters from the end while the last one occurs in chars; may empty
// the text.
std::string TrimRightChars(std::string_view text, std::string_view chars);

// Deletes characters from the start while the first one occurs in chars; may
// empty the text.
std::string TrimLeftChars(std::string_view text, std::string_view chars);

// As TrimRightChars with a character set.
std::string TrimRightSet(std::string_view text, const CharSet& set);

// As TrimLeftChars with a character set.
std::string TrimLeftSet(std::string_view text, const CharSet& set);

// How many characters of text belong to the set (0 for an empty text).
std::int32_t CountCharsInSet(std::string_view text, const CharSet& set);

// text unchanged when it starts with prefix (exactly), else prefix + text. An
// empty prefix leaves the text unchanged.
std::string EnsurePrefix(const std::string& text, std::string_view prefix);

// a + separator + b when both a and b are non-empty, otherwise a + b.
std::string JoinNonEmpty(const std::string& a, const std::string& b, std::string_view separator);

// The text between double quotes, each double quote inside doubled; an empty
// text gives two double quotes.
std::string QuoteText(std::string_view text);

} // namespace veralith::util
