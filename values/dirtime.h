#pragma once

// Directory time (unsigned 32-bit seconds since 1970-01-01 00:00 UTC), the
// program's date-time values (days since 1899-12-30 00:00, the fraction the
// time of day), their texts, and the text of a replica synchronisation state.

#include "platform/regional.h"

#include <cstdint>
#include <string>

namespace veralith::values {

// Day count of 1970-01-01 in date-time values.
inline constexpr double kUnixEpochDateTime = 25569.0;

// seconds / 86400 + 25569.
double DirTimeToDateTime(std::uint32_t seconds);

// (dateTime - 25569) * 86400 rounded to the nearest whole second, halves to the
// even neighbour. No time-zone adjustment. Throws ValueError (naming the value)
// when the result lies outside 0 ... 4294967295 or dateTime is not a number.
std::uint32_t DateTimeToDirTime(double dateTime);

// The bias of local time in effect now, in minutes: UTC = local time + bias
// (-60 for UTC+1). For what needs today's offset; the time texts below convert
// each instant with the offset in effect at that instant.
std::int32_t LocalTimeBias();

// The date and time of a directory time: the short date, a blank and the long
// time of the regional settings, the time left out when the shown time is
// exactly midnight. With localTime set the instant is shown in the local time
// of its own date (the C library's zone rules for that instant, so daylight
// saving applies to summer dates only); otherwise in UTC. Falls back to the date
// alone, then the time alone, then an empty text if formatting fails.
std::string DirTimeText(std::uint32_t seconds, bool localTime, const platform::RegionalSettings& settings);

// DirTimeText with the process's regional settings, or, when the process's
// time style is Iso8601, IsoTimeText.
std::string DirTimeText(std::uint32_t seconds, bool localTime);

// How the process shows directory times: in its regional format (the window,
// text output) or as ISO 8601 with the zone (machine-read output: CSV, JSON).
enum class TimeStyle {
    Regional,
    Iso8601,
};
void SetTimeStyle(TimeStyle style);
TimeStyle CurrentTimeStyle();

// ISO 8601 with seconds and the zone: "2024-07-01T14:30:00+02:00" in local
// time (the offset in effect at that instant), "2024-07-01T12:30:00Z" in UTC.
std::string IsoTimeText(std::uint32_t seconds, bool localTime);

// The same for broken-down parts of a UTC time.
std::string IsoUtcText(const platform::DateTimeParts& parts);

// Broken-down parts of a wall-clock time given as seconds since 1970-01-01
// 00:00 of that clock (negative before it); exact, no floating point.
platform::DateTimeParts SecondsToParts(std::int64_t seconds);

// "(local error)" for 0, "(remote error)" for 1, "(in sync)" for 2, and
// "(N - unknown)" for any other N.
std::string SyncStateText(std::int32_t state);

} // namespace veralith::values
