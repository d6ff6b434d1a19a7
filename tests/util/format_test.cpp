#include "util/format.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>

using namespace veralith::util;

TEST(FormatTest, ConversionsWidthsAndPrecisions)
{
    struct Row
    {
        const char* pattern;
        std::vector<FormatArg> args;
        const char* expected;
    };
    const Row rows[] = {
        {"Error %04X: %s", {31, "DSChangeCurrentTree"}, "Error   1F: DSChangeCurrentTree"},
        {"Error %04X: %s", {35222, "DSChangeCurrentTree"}, "Error 8996: DSChangeCurrentTree"},
        {"Error %04X: %s", {-601, "DSChangeCurrentTree"}, "Error FFFFFDA7: DSChangeCurrentTree"},
        {"%.4X", {31}, "001F"},
        {"%.02X", {10}, "0A"},
        {"%.2X", {0x1234}, "1234"},
        {"%4X", {0xABC}, " ABC"},
        {"%x", {255}, "FF"},
        {"%X", {std::uint32_t {0xFFFFFFFF}}, "FFFFFFFF"},
        {"%X", {std::int64_t {-1}}, "FFFFFFFF"},
        {"%X", {std::int64_t {0x123456789}}, "123456789"},
        {"%d", {-42}, "-42"},
        {"%5d", {-42}, "  -42"},
        {"%.4d", {-42}, "-0042"},
        {"%-5d|", {42}, "42   |"},
        {"%d", {std::uint32_t {4294967295u}}, "4294967295"},
        {"%u", {-1}, "4294967295"},
        {"%u", {7u}, "7"},
        {"%d", {INT64_MIN}, "-9223372036854775808"},
        {"%s", {""}, ""},
        {"%3s|", {"a"}, "  a|"},
        {"%.2s", {"abcdef"}, "ab"},
        {"(%d - unknown)", {3}, "(3 - unknown)"},
        {"100%%", {}, "100%"},
        {"%%d", {}, "%d"},
        {"no conversions", {}, "no conversions"},
        {"%s returned error %s", {"DSRead", "-601 (ERR_NO_SUCH_ENTRY)"},
            "DSRead returned error -601 (ERR_NO_SUCH_ENTRY)"},
        {"%0X", {0}, "0"},
        {"%.0d", {0}, "0"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Format(row.pattern, row.args), row.expected) << row.pattern;
    }
    EXPECT_EQ(Format("%s=%d", std::string("x"), static_cast<short>(-3)), "x=-3");
    EXPECT_EQ(Format(std::string("%s\0%s", 5), "a", "b"), std::string("a\0b", 3));
}

TEST(FormatTest, MalformedPatternsRaiseWithThePosition)
{
    struct Row
    {
        const char* pattern;
        std::vector<FormatArg> args;
        const char* messagePart;
    };
    const Row rows[] = {
        {"%s %s", {"a"}, "missing argument for \"%s\" at position 4"},
        {"%d", {}, "missing argument"},
        {"%s", {"a", "b"}, "1 argument(s) left over"},
        {"x%", {}, "without a conversion at position 2"},
        {"%5", {1}, "without a conversion at position 1"},
        {"%q", {1}, "unknown conversion \"%q\" at position 1"},
        {"%*d", {1, 2}, "unknown conversion"},
        {"%f", {1}, "unknown conversion"},
        {"%n", {1}, "unknown conversion"},
        {"%d", {"text"}, "a text given for \"%d\""},
        {"%X", {"text"}, "a text given"},
        {"%s", {5}, "a number given for \"%s\""},
        {"%99999999999999999999d", {1}, "width larger than 4096"},
        {"%.5000d", {1}, "precision larger than 4096"},
    };
    for (const Row& row : rows) {
        try {
            Format(row.pattern, row.args);
            ADD_FAILURE() << "no error for " << row.pattern;
        } catch (const FormatError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(row.messagePart), std::string::npos) << message;
            EXPECT_NE(message.find(row.pattern), std::string::npos) << message;
        }
    }
}

TEST(FormatTest, LargestWidthAndPrecisionAreAccepted)
{
    EXPECT_EQ(Format("%4096d", 1).size(), 4096u);
    EXPECT_EQ(Format("%.4096X", 1).size(), 4096u);
}

TEST(FormatTest, AnyPatternEitherFormatsOrRaises)
{
    // Random patterns over the characters that matter; under the sanitizers
    // this also shows that no pattern reads or writes out of bounds.
    const char characters[] = "%%%-.0123456789sdDuUxXq* \0a";
    const std::string alphabet(characters, sizeof characters - 1);
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    const std::vector<FormatArg> pool {"text", -5, 7u, "x"};
    int formatted = 0;
    int raised = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string pattern;
        for (int i = length(random); i > 0; --i) {
            pattern += alphabet[pick(random)];
        }
        for (std::size_t count = 0; count <= pool.size(); ++count) {
            const std::vector<FormatArg> args(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(count));
            try {
                const std::string result = Format(pattern, args);
                EXPECT_LE(result.size(), pattern.size() * 4097 + 64);
                ++formatted;
            } catch (const FormatError&) {
                ++raised;
            }
        }
    }
    EXPECT_GT(formatted, 0);
    EXPECT_GT(raised, 0);
}

TEST(FormatTest, LongPatternsAreShortenedInTheMessage)
{
    const std::string pattern = std::string(1000, 'a') + "%q";
    try {
        Format(pattern, {});
        ADD_FAILURE() << "no error";
    } catch (const FormatError& error) {
        const std::string message = error.what();
        EXPECT_LT(message.size(), 300u);
        EXPECT_NE(message.find("...\""), std::string::npos);
        EXPECT_NE(message.find("position 1001"), std::string::npos) << message;
    }
}
