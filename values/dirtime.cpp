#include "values/dirtime.h"

#include "client/civil_date.h"
#include "platform/timezone.h"
#include "util/format.h"
#include "values/errors.h"

#include <cmath>
#include <exception>

namespace veralith::values {

double DirTimeToDateTime(std::uint32_t seconds)
{
    return static_cast<double>(seconds) / 86400.0 + kUnixEpochDateTime;
}

std::uint32_t DateTimeToDirTime(double dateTime)
{
    // std::nearbyint rounds in the current rounding mode, which is to nearest
    // with ties to even unless someone changed it; do the tie rule by hand so
    // the result never depends on the floating-point environment.
    const double seconds = (dateTime - kUnixEpochDateTime) * 86400.0;
    if (!std::isfinite(seconds)) {
        throw ValueError("date-time value is not a number");
    }
    double whole = std::floor(seconds);
    const double fraction = seconds - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (whole < 0.0 || whole > 4294967295.0) {
        throw ValueError(
            util::Format("date-time value %s lies outside the range of a directory time", std::to_string(dateTime)));
    }
    return static_cast<std::uint32_t>(whole);
}

std::int32_t LocalTimeBias()
{
    return platform::LocalTimeBiasNow();
}

platform::DateTimeParts SecondsToParts(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    platform::DateTimeParts parts;
    parts.hour = static_cast<int>(rest / 3600);
    parts.minute = static_cast<int>(rest / 60 % 60);
    parts.second = static_cast<int>(rest % 60);
    parts.millisecond = 0;
    // 1970-01-01 was a Thursday (4).
    parts.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);

    const client::CivilDate date = client::CivilDateOfDay(days);
    parts.year = date.year;
    parts.month = static_cast<int>(date.month);
    parts.day = static_cast<int>(date.day);
    return parts;
}

std::string DirTimeText(std::uint32_t seconds, bool localTime, const platform::RegionalSettings& settings)
{
    const std::int64_t shown =
        localTime ? static_cast<std::int64_t>(platform::UtcToLocal(static_cast<std::time_t>(seconds))) : seconds;
    const platform::DateTimeParts parts = SecondsToParts(shown);
    for (const char* pattern : {"c", "ddddd", "tt"}) {
        try {
            return platform::FormatDateTime(pattern, parts, settings);
        } catch (const std::exception&) {
            // try the next, simpler form
        }
    }
    return {};
}

namespace {

TimeStyle& ProcessTimeStyle()
{
    static TimeStyle style = TimeStyle::Regional;
    return style;
}

std::string IsoDateTime(const platform::DateTimeParts& parts)
{
    return util::Format(
        "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d", parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
}

} // namespace

void SetTimeStyle(TimeStyle style)
{
    ProcessTimeStyle() = style;
}

TimeStyle CurrentTimeStyle()
{
    return ProcessTimeStyle();
}

std::string IsoUtcText(const platform::DateTimeParts& parts)
{
    return IsoDateTime(parts) + "Z";
}

std::string IsoTimeText(std::uint32_t seconds, bool localTime)
{
    if (!localTime) {
        return IsoUtcText(SecondsToParts(seconds));
    }
    const std::int64_t local = static_cast<std::int64_t>(platform::UtcToLocal(static_cast<std::time_t>(seconds)));
    const std::int64_t offset = (local - static_cast<std::int64_t>(seconds)) / 60;
    const std::int64_t magnitude = offset < 0 ? -offset : offset;
    return IsoDateTime(SecondsToParts(local)) +
        util::Format("%s%.2d:%.2d", offset < 0 ? "-" : "+", static_cast<std::int32_t>(magnitude / 60),
            static_cast<std::int32_t>(magnitude % 60));
}

std::string DirTimeText(std::uint32_t seconds, bool localTime)
{
    if (CurrentTimeStyle() == TimeStyle::Iso8601) {
        return IsoTimeText(seconds, localTime);
    }
    return DirTimeText(seconds, localTime, platform::CurrentRegionalSettings());
}

std::string SyncStateText(std::int32_t state)
{
    switch (state) {
    case 0:
        return "(local error)";
    case 1:
        return "(remote error)";
    case 2:
        return "(in sync)";
    default:
        return util::Format("(%d - unknown)", state);
    }
}

} // namespace veralith::values
