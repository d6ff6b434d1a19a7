#include "platform/regional.h"

#include <gtest/gtest.h>

using namespace veralith::platform;

namespace {

RegionalSettings UsSettings()
{
    RegionalSettings settings;
    settings.shortDate = "m/d/yyyy";
    settings.shortTime = "h:nn AM/PM";
    settings.longTime = "h:nn:ss AM/PM";
    return settings;
}

RegionalSettings GermanSettings()
{
    RegionalSettings settings;
    settings.decimalSeparator = ',';
    settings.thousandsSeparator = '.';
    settings.shortDate = "dd.mm.yyyy";
    settings.shortTime = "hh:nn";
    settings.longTime = "hh:nn:ss";
    return settings;
}

DateTimeParts Afternoon()
{
    // Tuesday, 5 March 2024, 14:07:09.045
    return DateTimeParts {2024, 3, 5, 14, 7, 9, 45, 2};
}

} // namespace

TEST(FormatDateTimeTest, Fields)
{
    struct Row
    {
        const char* pattern;
        const char* expected;
    };
    const Row rows[] = {
        {"ddddd t", "3/5/2024 2:07 PM"},
        {"ddddd tt", "3/5/2024 2:07:09 PM"},
        {"c", "3/5/2024 2:07:09 PM"},
        {"", "3/5/2024 2:07:09 PM"},
        {"dd.mm.yyyy hh:nn:ss", "05.03.2024 14:07:09"},
        {"d/m/yy", "5/3/24"},
        {"h:mm", "14:07"},
        {"hh:mm:ss", "14:07:09"},
        {"mm", "03"},
        {"mmm mmmm ddd dddd", "Mar March Tue Tuesday"},
        {"hh AM/PM", "02 PM"},
        {"h am/pm", "2 pm"},
        {"h a/p", "2 p"},
        {"s.zzz z", "9.045 45"},
        {"\"day\" d 'of' mmmm", "day 5 of March"},
        {"YYYY-MM-DD", "2024-03-05"},
        {"x#", "x#"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatDateTime(row.pattern, Afternoon(), UsSettings()), row.expected) << row.pattern;
    }
}

TEST(FormatDateTimeTest, MidnightLeavesTheTimeOutOfTheDefaultForm)
{
    const DateTimeParts midnight {1970, 1, 1, 0, 0, 0, 0, 4};
    EXPECT_EQ(FormatDateTime("", midnight, GermanSettings()), "01.01.1970");
    EXPECT_EQ(FormatDateTime("c", midnight, UsSettings()), "1/1/1970");
    EXPECT_EQ(FormatDateTime("ddddd tt", midnight, UsSettings()), "1/1/1970 12:00:00 AM");
    const DateTimeParts oneOClock {1970, 1, 1, 1, 0, 0, 0, 4};
    EXPECT_EQ(FormatDateTime("", oneOClock, GermanSettings()), "01.01.1970 01:00:00");
}

TEST(FormatDateTimeTest, SelfReferringSettingsEnd)
{
    RegionalSettings looping;
    looping.shortDate = "ddddd";
    looping.shortTime = "t";
    looping.longTime = "tt";
    // Each self-reference ends empty; only the blanks between them remain.
    EXPECT_EQ(FormatDateTime("ddddd t tt c", Afternoon(), looping), "    ");
}

TEST(DateTimeValueTest, ConvertsToAndFromParts)
{
    struct Row
    {
        double value;
        DateTimeParts parts;
    };
    const Row rows[] = {
        {0.0, {1899, 12, 30, 0, 0, 0, 0, 6}},
        {25569.0, {1970, 1, 1, 0, 0, 0, 0, 4}},
        {25569.5, {1970, 1, 1, 12, 0, 0, 0, 4}},
        {38717.0, {2005, 12, 31, 0, 0, 0, 0, 6}},
        {45356.25, {2024, 3, 5, 6, 0, 0, 0, 2}},
        {-1.25, {1899, 12, 29, 6, 0, 0, 0, 5}},
        {60.0, {1900, 2, 28, 0, 0, 0, 0, 3}},
        {61.0, {1900, 3, 1, 0, 0, 0, 0, 4}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DateTimeToParts(row.value), row.parts) << row.value;
        EXPECT_DOUBLE_EQ(PartsToDateTime(row.parts), row.value) << row.value;
    }
    // A time a hair before midnight rounds to the next day, not to 24:00.
    EXPECT_EQ(DateTimeToParts(38717.9999999999), (DateTimeParts {2006, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DateTimeToParts(1e300), DateTimeParts {});
}
