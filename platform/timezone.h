#pragma once

// Time-zone conversions by the C library's zone rules (the TZ variable and the
// system's zone files). Tests pin a zone with setenv("TZ", ...) and
// ApplyTimeZoneChange().

#include <cstdint>
#include <ctime>

namespace veralith::platform {

// Re-reads TZ (tzset) after it was changed.
void ApplyTimeZoneChange();

// The current bias of local time in minutes: UTC = local + bias, i.e.
// bias = UTC - local (Berlin in winter: -60, in summer: -120; New York in
// winter: 300).
std::int32_t LocalTimeBiasNow();

// The bias (UTC - local, minutes) in effect at the UTC instant utc.
std::int32_t LocalTimeBiasAt(std::time_t utc);

// The local wall-clock time of the UTC instant utc, expressed as seconds since
// 1970-01-01 00:00 of that wall clock (utc - bias at that instant).
std::time_t UtcToLocal(std::time_t utc);

// The UTC instant of a local wall-clock time given as seconds since 1970-01-01
// 00:00 of that wall clock. A wall-clock time that falls into a gap (clocks
// forward) or is ambiguous (clocks back) takes the zone's standard-time offset
// first, as mktime does with tm_isdst = -1.
std::time_t LocalToUtc(std::time_t local);

} // namespace veralith::platform
