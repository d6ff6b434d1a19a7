#include "platform/regional.h"

#include <cmath>
#include <cstdint>

namespace veralith::platform {

namespace {

constexpr const char* kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kShortMonthNames[] = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[] = {"January", "February", "March", "April", "May", "June", "July", "August",
    "September", "October", "November", "December"};

// The settings' own patterns may use t, tt, ddddd and c again; this bounds the nesting.
constexpr int kMaxNesting = 3;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoreCase(const std::string& text, std::size_t at, const char* prefix)
{
    for (std::size_t k = 0; prefix[k] != '\0'; ++k) {
        if (at + k >= text.size() || Lower(text[at + k]) != prefix[k]) {
            return false;
        }
    }
    return true;
}

std::string Number(int value, int digits)
{
    std::string text = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(text.size()) < digits) {
        text.insert(0, static_cast<std::size_t>(digits - static_cast<int>(text.size())), '0');
    }
    return value < 0 ? "-" + text : text;
}

// A name from a 0-based table, "?" outside it.
template<std::size_t N>
const char* Name(const char* const (&table)[N], int index)
{
    return (index >= 0 && static_cast<std::size_t>(index) < N) ? table[index] : "?";
}

// True when the pattern (outside quotes) holds a half-day marker.
bool HasHalfDayMarker(const std::string& pattern)
{
    char quote = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (StartsWithIgnoreCase(pattern, i, "am/pm") || StartsWithIgnoreCase(pattern, i, "a/p")) {
            return true;
        }
    }
    return false;
}

bool IsMidnight(const DateTimeParts& when)
{
    return when.hour == 0 && when.minute == 0 && when.second == 0 && when.millisecond == 0;
}

void Render(std::string& out, const std::string& pattern, const DateTimeParts& when, const RegionalSettings& settings,
    int nesting)
{
    if (nesting > kMaxNesting) {
        return;
    }
    const bool twelveHour = HasHalfDayMarker(pattern);
    bool afterHour = false; // "m" right after an hour field means minutes
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = Lower(c);
        std::size_t run = 1;
        while (i + run < pattern.size() && Lower(pattern[i + run]) == lower) {
            ++run;
        }
        switch (lower) {
        case '"':
        case '\'': {
            const std::size_t close = pattern.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? pattern.size() : close;
            out.append(pattern, i + 1, end - i - 1);
            i = close == std::string::npos ? pattern.size() : close + 1;
            continue;
        }
        case 'c':
            Render(out, settings.shortDate, when, settings, nesting + 1);
            if (!IsMidnight(when)) {
                out += ' ';
                Render(out, settings.longTime, when, settings, nesting + 1);
            }
            i += 1;
            afterHour = false;
            continue;
        case 'd':
            run = std::min<std::size_t>(run, 6);
            if (run == 1) {
                out += Number(when.day, 1);
            } else if (run == 2) {
                out += Number(when.day, 2);
            } else if (run == 3) {
                out += Name(kShortDayNames, when.dayOfWeek);
            } else if (run == 4) {
                out += Name(kLongDayNames, when.dayOfWeek);
            } else {
                Render(out, settings.shortDate, when, settings, nesting + 1);
            }
            afterHour = false;
            break;
        case 'y':
            out += run <= 2 ? Number(((when.year % 100) + 100) % 100, 2) : Number(when.year, 4);
            afterHour = false;
            break;
        case 'm':
            if (afterHour && run <= 2) {
                out += Number(when.minute, static_cast<int>(run));
            } else if (run <= 2) {
                out += Number(when.month, static_cast<int>(run));
            } else if (run == 3) {
                out += Name(kShortMonthNames, when.month - 1);
            } else {
                out += Name(kLongMonthNames, when.month - 1);
            }
            afterHour = false;
            break;
        case 'h': {
            int hour = when.hour;
            if (twelveHour) {
                hour %= 12;
                hour = hour == 0 ? 12 : hour;
            }
            out += Number(hour, run >= 2 ? 2 : 1);
            afterHour = true;
            i += run;
            continue;
        }
        case 'n':
            out += Number(when.minute, run >= 2 ? 2 : 1);
            afterHour = false;
            break;
        case 's':
            out += Number(when.second, run >= 2 ? 2 : 1);
            afterHour = false;
            break;
        case 'z':
            out += Number(when.millisecond, run >= 3 ? 3 : 1);
            afterHour = false;
            break;
        case 't':
            Render(out, run >= 2 ? settings.longTime : settings.shortTime, when, settings, nesting + 1);
            afterHour = false;
            break;
        case 'a':
            if (StartsWithIgnoreCase(pattern, i, "am/pm")) {
                const bool upper = c == 'A';
                out += when.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                i += 5;
                continue;
            }
            if (StartsWithIgnoreCase(pattern, i, "a/p")) {
                const bool upper = c == 'A';
                out += when.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
                i += 3;
                continue;
            }
            out += c;
            i += 1;
            continue;
        default:
            out += c;
            i += 1;
            continue;
        }
        i += run;
    }
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, DateTimeParts& parts)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

constexpr std::int64_t kUnixEpochDay = 25569; // 1970-01-01 as a date-time value
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

} // namespace

std::string FormatDateTime(const std::string& pattern, const DateTimeParts& when, const RegionalSettings& settings)
{
    std::string out;
    Render(out, pattern.empty() ? std::string("c") : pattern, when, settings, 0);
    return out;
}

std::string FormatDateTime(const std::string& pattern, const DateTimeParts& when)
{
    return FormatDateTime(pattern, when, CurrentRegionalSettings());
}

DateTimeParts DateTimeToParts(double dateTime)
{
    DateTimeParts parts;
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e9) {
        return parts; // outside any calendar the program shows: the zero date
    }
    // The day is the integer part; the fraction, taken without its sign, is
    // the time of day (so -1.25 is 29 December 1899, 06:00).
    std::int64_t day = static_cast<std::int64_t>(std::trunc(dateTime));
    std::int64_t ms = std::llround(std::fabs(dateTime - static_cast<double>(day)) * kMillisecondsPerDay);
    if (ms >= kMillisecondsPerDay) {
        ms -= kMillisecondsPerDay;
        day += dateTime < 0 ? -1 : 1;
    }
    const std::int64_t unixDay = day - kUnixEpochDay;
    CivilFromDays(unixDay, parts);
    parts.dayOfWeek = static_cast<int>(((unixDay % 7) + 7 + 4) % 7); // 1970-01-01 was a Thursday
    parts.hour = static_cast<int>(ms / 3'600'000);
    parts.minute = static_cast<int>(ms / 60'000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

double PartsToDateTime(const DateTimeParts& parts)
{
    const double day = static_cast<double>(DaysFromCivil(parts.year, parts.month, parts.day) + kUnixEpochDay);
    const double time = (((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.millisecond) /
        static_cast<double>(kMillisecondsPerDay);
    return day < 0 ? day - time : day + time;
}

} // namespace veralith::platform
