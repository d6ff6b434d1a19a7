#include "util/number.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace veralith::util;

namespace {

constexpr NumberSeparators kPointDecimal {'.', ','};
constexpr NumberSeparators kCommaDecimal {',', '.'};

struct NumberRow
{
    const char* text;
    double expected;
};

} // namespace

TEST(TextToNumberTest, PointDecimalConvention)
{
    const NumberRow rows[] = {
        {"1,234", 1234},
        {"12,345.6", 12345.6},
        {"1.5", 1.5},
        {"1,5", 1.5},
        {"1,234,567", -1},
        {"abc", -1},
        {" 4 2 ", 42},
        {"", -1},
        {"-7", -7},
        {"+7", 7},
        {"1e3", 1000},
        {"2.5E-1", 0.25},
        {"12", 12},
        {"123", 123},
        {"1.", -1},
        {".5", -1},
        {"1x", -1},
        {"-", -1},
        {"1e", -1},
        {"1e999", -1},
    };
    for (const NumberRow& row : rows) {
        EXPECT_DOUBLE_EQ(TextToNumber(row.text, kPointDecimal), row.expected) << '"' << row.text << '"';
    }
}

TEST(TextToNumberTest, CommaDecimalConvention)
{
    const NumberRow rows[] = {
        {"1.234", 1234},
        {"1.234,5", 1234.5},
        {"1,5", 1.5},
        {"1.5", 1.5},
        {"1 234,5", 1234.5},
        {"abc", -1},
        {"-2,25", -2.25},
    };
    for (const NumberRow& row : rows) {
        EXPECT_DOUBLE_EQ(TextToNumber(row.text, kCommaDecimal), row.expected) << '"' << row.text << '"';
    }
}

TEST(TextToNumberTest, SameSeparatorsAndOtherDecimal)
{
    // D = T: every other separator is dropped.
    EXPECT_DOUBLE_EQ(TextToNumber("1.234", NumberSeparators {',', ','}), 1234);
    // A decimal separator that is neither "," nor "." reads its own.
    EXPECT_DOUBLE_EQ(TextToNumber("12", NumberSeparators {'\'', ' '}), 12);
    EXPECT_DOUBLE_EQ(TextToNumber("1'000", NumberSeparators {'/', '\''}), 1000);
}

TEST(TextToNumberTest, LargeIntegersKeepEveryDigit)
{
    EXPECT_EQ(TextToNumber("16777217", kPointDecimal), 16777217.0);
    EXPECT_EQ(TextToNumber("2147483647", kPointDecimal), 2147483647.0);
    EXPECT_EQ(TextToInteger("16777217", kPointDecimal), 16777217);
    EXPECT_EQ(TextToInteger("-2147483648", kPointDecimal), INT32_MIN);
}

TEST(TextToNumberTest, DefaultSeparatorsCanBeReplaced)
{
    const NumberSeparators previous = SetNumberSeparators(kCommaDecimal);
    EXPECT_DOUBLE_EQ(TextToNumber("1.234,5"), 1234.5);
    EXPECT_EQ(DefaultNumberSeparators().decimal, ',');
    SetNumberSeparators(previous);
    EXPECT_DOUBLE_EQ(TextToNumber("1,234.5"), 1234.5);
}

TEST(TextToIntegerTest, RoundsHalvesToEven)
{
    EXPECT_EQ(TextToInteger("2.5", kPointDecimal), 2);
    EXPECT_EQ(TextToInteger("3.5", kPointDecimal), 4);
    EXPECT_EQ(TextToInteger("-2.5", kPointDecimal), -2);
    EXPECT_EQ(TextToInteger("2.51", kPointDecimal), 3);
    EXPECT_EQ(TextToInteger("", kPointDecimal), -1);
    EXPECT_EQ(TextToInteger("nonsense", kPointDecimal), -1);
    EXPECT_EQ(TextToInteger("2,5", kCommaDecimal), 2);
}

TEST(TextToIntegerTest, OutOfRangeRaises)
{
    EXPECT_THROW(TextToInteger("1e10", kPointDecimal), std::out_of_range);
    EXPECT_THROW(TextToInteger("2147483648", kPointDecimal), std::out_of_range);
    EXPECT_THROW(TextToInteger("-2147483649", kPointDecimal), std::out_of_range);
    try {
        TextToInteger("1e10", kPointDecimal);
    } catch (const std::out_of_range& error) {
        EXPECT_NE(std::string(error.what()).find("1e10"), std::string::npos);
    }
}

TEST(DurationTest, SplitSeconds)
{
    const DurationParts parts = SplitSeconds(4294967295u);
    EXPECT_EQ(parts.days, 49710);
    EXPECT_EQ(parts.hours, 6);
    EXPECT_EQ(parts.minutes, 28);
    EXPECT_EQ(parts.seconds, 15);
}

TEST(DurationTest, DurationTexts)
{
    struct Row
    {
        std::uint32_t seconds;
        const char* expected;
    };
    const Row rows[] = {
        {0, "0 sec"},
        {59, "59 sec"},
        {60, "1 min"},
        {120, "2 min"},
        {3600, "1 h"},
        {3661, "1 h, 1 min, 1 sec"},
        {86400, "1 days"},
        {90000, "1 days, 1 h"},
        {86401, "1 days, 1 sec"},
        {4294967295u, "49710 days, 6 h, 28 min, 15 sec"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DurationText(row.seconds), row.expected) << row.seconds;
    }
}

TEST(TextToNumberTest, DefaultSeparatorsComeFromTheCLocale)
{
    // The test program never calls setlocale, so the "C" locale applies: a
    // point, and no thousands separator, which falls back to a comma.
    const NumberSeparators defaults = DefaultNumberSeparators();
    EXPECT_EQ(defaults.decimal, '.');
    EXPECT_EQ(defaults.thousands, ',');
}
