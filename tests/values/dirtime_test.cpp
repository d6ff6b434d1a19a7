#include "test_values.h"
#include "values/dirtime.h"
#include "values/errors.h"

#include <gtest/gtest.h>

namespace veralith::values {
namespace {

using test::ScopedTimeZone;

const platform::RegionalSettings kIsoSettings {'.', ',', "yyyy-mm-dd", "hh:nn", "hh:nn:ss"};

// Seconds since 1970 of a UTC date and time.
std::uint32_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    platform::DateTimeParts parts;
    parts.year = year;
    parts.month = month;
    parts.day = day;
    parts.hour = hour;
    parts.minute = minute;
    parts.second = second;
    return DateTimeToDirTime(platform::PartsToDateTime(parts));
}

TEST(DirTime, DirTimeToDateTime_CountsDaysFrom1899)
{
    EXPECT_DOUBLE_EQ(DirTimeToDateTime(0), 25569.0);
    EXPECT_DOUBLE_EQ(DirTimeToDateTime(86400 + 43200), 25570.5);
    EXPECT_DOUBLE_EQ(DirTimeToDateTime(4294967295u), 25569.0 + 4294967295.0 / 86400.0);
}

TEST(DirTime, DateTimeToDirTime_DocumentedDates)
{
    EXPECT_EQ(DateTimeToDirTime(38717.0), 1135987200u); // 31 December 2005
    EXPECT_EQ(DateTimeToDirTime(75279.0), 4294944000u); // 7 February 2106
    EXPECT_EQ(DateTimeToDirTime(25569.0), 0u);
    EXPECT_THROW(DateTimeToDirTime(25568.0), ValueError); // 31 December 1969
    EXPECT_THROW(DateTimeToDirTime(75280.0), ValueError); // 8 February 2106
}

TEST(DirTime, DateTimeToDirTime_HalvesGoToTheEvenSecond)
{
    // 1/256 day is exactly 337.5 s, 3/256 day exactly 1012.5 s.
    EXPECT_EQ(DateTimeToDirTime(25569.0 + 1.0 / 256.0), 338u);
    EXPECT_EQ(DateTimeToDirTime(25569.0 + 3.0 / 256.0), 1012u);
    // The largest value and one second past it.
    EXPECT_EQ(DateTimeToDirTime(25569.0 + 4294967295.0 / 86400.0), 4294967295u);
    EXPECT_THROW(DateTimeToDirTime(25569.0 + 4294967296.0 / 86400.0), ValueError);
}

TEST(DirTime, DateTimeToDirTime_NotANumberRaises)
{
    EXPECT_THROW(DateTimeToDirTime(std::numeric_limits<double>::quiet_NaN()), ValueError);
    EXPECT_THROW(DateTimeToDirTime(std::numeric_limits<double>::infinity()), ValueError);
}

TEST(DirTime, DirTimeText_UtcMidnightShowsTheDateAlone)
{
    EXPECT_EQ(DirTimeText(0, false, kIsoSettings), "1970-01-01");
    EXPECT_EQ(DirTimeText(1135987200u, false, kIsoSettings), "2005-12-31");
    EXPECT_EQ(DirTimeText(1135987201u, false, kIsoSettings), "2005-12-31 00:00:01");
    EXPECT_EQ(DirTimeText(4294967295u, false, kIsoSettings), "2106-02-07 06:28:15");
}

TEST(DirTime, DirTimeText_LocalTimeInAZoneOneHourEast)
{
    const ScopedTimeZone zone("Etc/GMT-1");
    EXPECT_EQ(DirTimeText(0, true, kIsoSettings), "1970-01-01 01:00:00");
    EXPECT_EQ(LocalTimeBias(), -60);
}

TEST(DirTime, DirTimeText_LocalTimeWestOfUtcBefore1970)
{
    const ScopedTimeZone zone("America/New_York");
    EXPECT_EQ(DirTimeText(0, true, kIsoSettings), "1969-12-31 19:00:00");
}

TEST(DirTime, DirTimeText_EachDateTakesTheOffsetOfItsOwnSeason)
{
    // Winter and summer dates are shown with their own offsets, whatever the
    // season is when the program runs.
    const ScopedTimeZone zone("Europe/Berlin");
    EXPECT_EQ(DirTimeText(Utc(2006, 1, 15, 12), true, kIsoSettings), "2006-01-15 13:00:00");
    EXPECT_EQ(DirTimeText(Utc(2006, 7, 1, 12), true, kIsoSettings), "2006-07-01 14:00:00");
    // The night the clocks go forward (26 March 2006, 01:00 UTC).
    EXPECT_EQ(DirTimeText(Utc(2006, 3, 26, 0, 59, 59), true, kIsoSettings), "2006-03-26 01:59:59");
    EXPECT_EQ(DirTimeText(Utc(2006, 3, 26, 1), true, kIsoSettings), "2006-03-26 03:00:00");
    // Local midnight in summer shows the date alone.
    EXPECT_EQ(DirTimeText(Utc(2006, 6, 30, 22), true, kIsoSettings), "2006-07-01");
}

TEST(DirTime, LocalTimeBias_IsTheCurrentOffset)
{
    const ScopedTimeZone zone("UTC");
    EXPECT_EQ(LocalTimeBias(), 0);
}

TEST(DirTime, SyncStateText_KnownAndUnknownStates)
{
    EXPECT_EQ(SyncStateText(0), "(local error)");
    EXPECT_EQ(SyncStateText(1), "(remote error)");
    EXPECT_EQ(SyncStateText(2), "(in sync)");
    EXPECT_EQ(SyncStateText(3), "(3 - unknown)");
    EXPECT_EQ(SyncStateText(-1), "(-1 - unknown)");
}

} // namespace
} // namespace veralith::values
