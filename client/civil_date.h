#pragma once

// Calendar arithmetic of the proleptic Gregorian calendar on std::chrono,
// shared by everything that turns dates into day counts or back: tree-file
// and LDAP times in the client, filter dates in the search, directory times
// in the value rendering.

#include <chrono>
#include <cstdint>

namespace veralith::client {

struct CivilDate
{
    int year = 1970;
    unsigned month = 1;
    unsigned day = 1;
};

// True when the date exists (month 1 to 12, day within the month, 29 February
// only in leap years).
inline bool IsCivilDate(int year, unsigned month, unsigned day)
{
    // std::chrono keeps months and days in a byte: larger ones are refused first.
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
        std::chrono::year_month_day {std::chrono::year {year}, std::chrono::month {month}, std::chrono::day {day}}.ok();
}

// Days from 1970-01-01 to the date; a day past the month's end runs on into
// the next month. month must be 1 to 12.
inline std::int64_t DaysSince1970(int year, unsigned month, unsigned day)
{
    const std::chrono::sys_days firstOfMonth =
        std::chrono::year {year} / std::chrono::month {month} / std::chrono::day {1};
    return firstOfMonth.time_since_epoch().count() + static_cast<std::int64_t>(day) - 1;
}

// The date of a day count from 1970-01-01.
inline CivilDate CivilDateOfDay(std::int64_t daysSince1970)
{
    const std::chrono::year_month_day date {
        std::chrono::sys_days {std::chrono::days {static_cast<std::chrono::days::rep>(daysSince1970)}}};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day())};
}

} // namespace veralith::client
