// The helpers every layer shares: character codecs, calendar arithmetic,
// default naming types and the stream file a service hands back.

#include "client/civil_date.h"
#include "client/names.h"
#include "client/stream_file.h"
#include "client/text_codec.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace veralith::client {
namespace {

TEST(TextCodec, HexDigitValue_TakesBothCasesAndRefusesTheRest)
{
    const std::string digits = "09afAF";
    const int values[] = {0, 9, 10, 15, 10, 15};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        EXPECT_EQ(HexDigitValue(digits[i]), values[i]) << digits[i];
    }
    for (const char c : std::string("gG/:@`\0\xFF", 8)) {
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
    }
    EXPECT_EQ(kUpperHexDigits[0xB], 'B');
    EXPECT_EQ(kLowerHexDigits[0xB], 'b');
}

TEST(TextCodec, CaseMapping_TouchesAsciiLettersOnly)
{
    EXPECT_EQ(LowerAscii('A'), 'a');
    EXPECT_EQ(LowerAscii('Z'), 'z');
    EXPECT_EQ(UpperAscii('a'), 'A');
    EXPECT_EQ(UpperAscii('z'), 'Z');
    for (const char c : std::string("@[`{09\xC4\xE4", 8)) {
        EXPECT_EQ(LowerAscii(c), c);
        EXPECT_EQ(UpperAscii(c), c);
    }
}

TEST(TextCodec, AppendUtf8_UsesTheShortestFormAtEachBoundary)
{
    const struct
    {
        std::uint32_t codePoint;
        std::string bytes;
    } cases[] = {
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        AppendUtf8(out, c.codePoint);
        EXPECT_EQ(out, "x" + c.bytes) << std::hex << c.codePoint;
    }
}

TEST(CivilDate, IsCivilDate_KnowsMonthLengthsAndLeapYears)
{
    EXPECT_TRUE(IsCivilDate(2024, 2, 29));
    EXPECT_TRUE(IsCivilDate(2000, 2, 29));
    EXPECT_FALSE(IsCivilDate(1900, 2, 29));
    EXPECT_FALSE(IsCivilDate(2023, 2, 29));
    EXPECT_TRUE(IsCivilDate(2023, 12, 31));
    EXPECT_FALSE(IsCivilDate(2023, 4, 31));
    EXPECT_FALSE(IsCivilDate(2023, 0, 1));
    EXPECT_FALSE(IsCivilDate(2023, 13, 1));
    EXPECT_FALSE(IsCivilDate(2023, 1, 0));
    // Months and days past a byte must not wrap into valid ones.
    EXPECT_FALSE(IsCivilDate(2023, 257, 1));
    EXPECT_FALSE(IsCivilDate(2023, 1, 257));
}

TEST(CivilDate, DayCounts_RunBothWays)
{
    EXPECT_EQ(DaysSince1970(1970, 1, 1), 0);
    EXPECT_EQ(DaysSince1970(1969, 12, 31), -1);
    EXPECT_EQ(DaysSince1970(2000, 3, 1), 11017);
    EXPECT_EQ(DaysSince1970(1899, 12, 30), -25569);
    // A day past the month's end runs on into the next month.
    EXPECT_EQ(DaysSince1970(2023, 2, 29), DaysSince1970(2023, 3, 1));
    for (const std::int64_t day :
        {std::int64_t {-25569}, std::int64_t {-1}, std::int64_t {0}, std::int64_t {11016}, std::int64_t {49710}}) {
        const CivilDate date = CivilDateOfDay(day);
        EXPECT_TRUE(IsCivilDate(date.year, date.month, date.day)) << day;
        EXPECT_EQ(DaysSince1970(date.year, date.month, date.day), day);
    }
    const CivilDate last = CivilDateOfDay(49710); // 2106-02-07, the last day of a 32-bit time
    EXPECT_EQ(last.year, 2106);
    EXPECT_EQ(last.month, 2u);
    EXPECT_EQ(last.day, 7u);
}

TEST(Names, DefaultNamingType_IsCnForTheLeafOForTheTopOuBetween)
{
    EXPECT_STREQ(DefaultNamingType(0, 1), "CN");
    EXPECT_STREQ(DefaultNamingType(0, 3), "CN");
    EXPECT_STREQ(DefaultNamingType(1, 3), "OU");
    EXPECT_STREQ(DefaultNamingType(2, 3), "O");
    EXPECT_STREQ(DefaultNamingType(1, 2), "O");
}

TEST(StreamFile, OpenContentAsStream_ReadsBackTheWholeContentFromItsStart)
{
    for (const std::string& content : {std::string(), std::string("a\0b", 3), std::string(100000, 'x')}) {
        int fd = -1;
        ASSERT_EQ(OpenContentAsStream(content, &fd), 0);
        ASSERT_GE(fd, 0);
        std::string read;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            read.append(buffer, static_cast<std::size_t>(n));
        }
        close(fd);
        EXPECT_EQ(read, content);
    }
}

} // namespace
} // namespace veralith::client
