#include "util/text.h"

#include <gtest/gtest.h>

using namespace veralith::util;

TEST(ChoosingTest, PickTextGivesNaOutsideTheList)
{
    const std::vector<std::string> list {"zero", "one"};
    EXPECT_EQ(PickText(0, list), "zero");
    EXPECT_EQ(PickText(1, list), "one");
    EXPECT_EQ(PickText(-1, list), "n/a");
    EXPECT_EQ(PickText(2, list), "n/a");
    EXPECT_EQ(PickText(0, {}), "n/a");
    EXPECT_EQ(PickText(INT32_MIN, list), "n/a");
}

TEST(ChoosingTest, SmallHelpers)
{
    EXPECT_EQ(MinWord(2303, 65535), 2303);
    EXPECT_EQ(MinWord(7, 2303), 7);
    EXPECT_EQ(MinInt(-5, 3), -5);
    EXPECT_EQ(IfThenText(true, "a", "b"), "a");
    EXPECT_EQ(IfThenText(false, "a", "b"), "b");
    EXPECT_EQ(BoolToText(true), "TRUE");
    EXPECT_EQ(BoolToText(false), "FALSE");
}

TEST(ComparingTest, IndexOfTextFoldsOnlyAsciiWhenAsked)
{
    const std::vector<std::string> list {"x", "ABC"};
    EXPECT_EQ(IndexOfText("abc", list, false), 1);
    EXPECT_EQ(IndexOfText("abc", list, true), -1);
    EXPECT_EQ(IndexOfText("ABC", list, true), 1);
    EXPECT_TRUE(TextInList("X", list, false));
    EXPECT_FALSE(TextInList("y", list, false));
    // "Ä" and "ä" (UTF-8 and Latin-1 bytes) are not folded.
    EXPECT_EQ(IndexOfText("\xC3\xA4", {"\xC3\x84"}, false), -1);
    EXPECT_EQ(IndexOfText("\xE4", {"\xC4"}, false), -1);
    EXPECT_EQ(IndexOfText("a", {}, false), -1);
}

TEST(ComparingTest, SameTextIgnoreCase)
{
    EXPECT_TRUE(SameTextIgnoreCase("", ""));
    EXPECT_TRUE(SameTextIgnoreCase("CN", "cn"));
    EXPECT_FALSE(SameTextIgnoreCase("cn", "cn "));
    EXPECT_FALSE(SameTextIgnoreCase("\xE4", "\xC4"));
    // '@' and '`' sit next to 'A' and 'a': folding must not map them onto each other.
    EXPECT_FALSE(SameTextIgnoreCase("@", "`"));
    EXPECT_FALSE(SameTextIgnoreCase("[", "{"));
    EXPECT_TRUE(SameTextIgnoreCase(std::string("a\0b", 3), std::string("A\0B", 3)));
}

TEST(SearchingTest, FindTextPositions)
{
    struct Row
    {
        const char* pattern;
        const char* text;
        bool caseSensitive;
        int expected;
    };
    const Row rows[] = {
        {"b", "abc", true, 2},
        {"B", "abc", true, 0},
        {"B", "abc", false, 2},
        {"", "abc", true, 0},
        {"", "", false, 0},
        {"abcd", "abc", true, 0},
        {"c", "abcabc", true, 3},
        {"CA", "abcabc", false, 3},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FindText(row.pattern, row.text, row.caseSensitive), row.expected)
            << row.pattern << " in " << row.text;
    }
    EXPECT_EQ(PosIgnoreCase("OU=", "cn=x,ou=y"), 6);
    EXPECT_EQ(FindText(std::string("\0b", 2), std::string("a\0b", 3), true), 2);
}

TEST(CuttingTest, TextBeforeAndAfter)
{
    EXPECT_EQ(TextBefore("a.b.c", ".", true), "a");
    EXPECT_EQ(TextBefore("a.b.c", ".", false), "a.");
    EXPECT_EQ(TextAfter("a.b.c", ".", true), "b.c");
    EXPECT_EQ(TextAfter("a.b.c", ".", false), ".b.c");
    for (bool drop : {true, false}) {
        EXPECT_EQ(TextBefore("a.b.c", "#", drop), "a.b.c");
        EXPECT_EQ(TextAfter("a.b.c", "#", drop), "a.b.c");
        EXPECT_EQ(TextBefore("a.b.c", "", drop), "a.b.c");
        EXPECT_EQ(TextAfter("a.b.c", "", drop), "a.b.c");
    }
    EXPECT_EQ(TextAfter("key=", "=", true), "");
    EXPECT_EQ(TextBefore("=val", "=", true), "");
}

TEST(CuttingTest, SplitAtFirstAndInThree)
{
    SplitPair pair = SplitAtFirst("key=val=x", "=");
    EXPECT_EQ(pair.left, "key");
    EXPECT_EQ(pair.right, "val=x");
    pair = SplitAtFirst("abc", "");
    EXPECT_EQ(pair.left, "abc");
    EXPECT_EQ(pair.right, "");
    pair = SplitAtFirst("abc", "#");
    EXPECT_EQ(pair.left, "abc");
    EXPECT_EQ(pair.right, "");
    pair = SplitAtFirst("a::b", "::");
    EXPECT_EQ(pair.left, "a");
    EXPECT_EQ(pair.right, "b");

    SplitTriple triple = SplitInThree("a-b-c-d", "-");
    EXPECT_EQ(triple.first, "a");
    EXPECT_EQ(triple.second, "b");
    EXPECT_EQ(triple.rest, "c-d");
    triple = SplitInThree("a", "-");
    EXPECT_EQ(triple.first, "a");
    EXPECT_EQ(triple.second, "");
    EXPECT_EQ(triple.rest, "");
    triple = SplitInThree("a-b", "-");
    EXPECT_EQ(triple.second, "b");
    EXPECT_EQ(triple.rest, "");
}

TEST(EditingTest, ReplaceTextCases)
{
    struct Row
    {
        const char* text;
        const char* pattern;
        const char* replacement;
        bool caseSensitive;
        bool replaceAll;
        const char* expected;
    };
    const Row rows[] = {
        {"aXbXc", "x", "-", false, true, "a-b-c"},
        {"aXbXc", "x", "-", false, false, "a-bXc"},
        {"aXbXc", "x", "-", true, true, "aXbXc"},
        // a replacement holding the pattern is not searched again
        {"ab", "b", "bb", true, true, "abb"},
        {"abab", "b", "bb", true, true, "abbabb"},
        {"aaa", "aa", "b", true, true, "ba"},
        {"aaaa", "aa", "b", true, true, "bb"},
        {"abc", "", "x", true, true, "abc"},
        {"abc", "b", "b", true, true, "abc"},
        {"abc", "z", "y", true, true, "abc"},
        {"abc", "b", "", true, true, "ac"},
        {"", "a", "b", true, true, ""},
        {"xAx", "a", "aa", false, true, "xaax"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReplaceText(row.text, row.pattern, row.replacement, row.caseSensitive, row.replaceAll), row.expected)
            << row.text << " / " << row.pattern << " -> " << row.replacement;
    }
    std::string text = "1\t2\t";
    ReplaceInPlace(text, "\t", "\r\n", true, true);
    EXPECT_EQ(text, "1\r\n2\r\n");
}

TEST(EditingTest, RemoveAndTrim)
{
    EXPECT_EQ(RemoveChars("[a]b[", "[]"), "ab");
    EXPECT_EQ(RemoveChars("[Root]", "[]"), "Root");
    EXPECT_EQ(RemoveChars("abc", ""), "abc");
    EXPECT_EQ(TrimRightChars("1 h, ", ", "), "1 h");
    EXPECT_EQ(TrimRightChars(", ,", ", "), "");
    EXPECT_EQ(TrimRightChars("a,b", ","), "a,b");
    EXPECT_EQ(TrimLeftChars("  ,x, ", ", "), "x, ");
    EXPECT_EQ(TrimLeftChars("", ", "), "");

    const CharSet blanks {'\t', ' '};
    EXPECT_EQ(TrimRightSet("a \t ", blanks), "a");
    EXPECT_EQ(TrimLeftSet("\t a b", blanks), "a b");
    EXPECT_EQ(TrimLeftSet(" \t", blanks), "");
    EXPECT_EQ(CountCharsInSet("((a)(b))", CharSet {'('}), 3);
    EXPECT_EQ(CountCharsInSet("", CharSet {'('}), 0);
    CharSet high;
    high.Add(0xFF);
    high.Add(0);
    EXPECT_EQ(CountCharsInSet(std::string("\xFF\0\x7F", 3), high), 2);
    high.Remove(0xFF);
    EXPECT_FALSE(high.Contains(static_cast<unsigned char>(0xFF)));
}

TEST(EditingTest, PrefixJoinQuote)
{
    EXPECT_EQ(EnsurePrefix("txt", "."), ".txt");
    EXPECT_EQ(EnsurePrefix(".txt", "."), ".txt");
    EXPECT_EQ(EnsurePrefix("abc", ""), "abc");
    EXPECT_EQ(EnsurePrefix("x.abc", "."), ".x.abc");

    EXPECT_EQ(JoinNonEmpty("", "b", " #AND# "), "b");
    EXPECT_EQ(JoinNonEmpty("a", "", " #AND# "), "a");
    EXPECT_EQ(JoinNonEmpty("a", "b", " #AND# "), "a #AND# b");
    EXPECT_EQ(JoinNonEmpty("", "", "-"), "");

    EXPECT_EQ(QuoteText("x\"y"), "\"x\"\"y\"");
    EXPECT_EQ(QuoteText(""), "\"\"");
    EXPECT_EQ(QuoteText("\""), "\"\"\"\"");
}

TEST(EditingTest, LastChar)
{
    EXPECT_EQ(LastChar("abc"), 'c');
    EXPECT_EQ(LastChar(std::string("a\0", 2)), '\0');
}
