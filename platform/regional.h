#pragma once

// Regional settings: number separators and date/time patterns of the process
// locale, and date-time rendering with those patterns.

#include <cstdint>
#include <string>

namespace veralith::platform {

// The user's regional settings. Patterns are in the program's date notation
// (see FormatDateTime), e.g. "m/d/yyyy", "h:nn AM/PM", "hh:nn:ss".
struct RegionalSettings
{
    char decimalSeparator = '.';
    char thousandsSeparator = ',';
    std::string shortDate = "mm/dd/yy";
    std::string shortTime = "hh:nn";
    std::string longTime = "hh:nn:ss";

    bool operator==(const RegionalSettings&) const = default;
};

// Reads the settings of the process's current locale (LC_NUMERIC for the
// separators via localeconv, LC_TIME for the patterns via nl_langinfo D_FMT and
// T_FMT, translated from strftime notation). A separator the locale leaves
// empty or gives as more than one byte falls back to "." (decimal) and the other
// one of "," and "." (thousands). The short time is the long time without its
// seconds.
RegionalSettings ReadRegionalSettings();

// ReadRegionalSettings() taken once, on first call, and kept for the run.
const RegionalSettings& CurrentRegionalSettings();

// Translates a strftime pattern into the program's date notation:
// %d->dd, %e->d, %m->mm, %Y->yyyy, %y->yy, %H->hh, %k->h, %I->hh, %l->h,
// %M->nn, %S->ss, %p->AM/PM, %P->am/pm, %r->hh:nn:ss AM/PM, %R->hh:nn, %T->hh:nn:ss,
// %D->mm/dd/yy, %F->yyyy-mm-dd, %b/%h->mmm, %B->mmmm, %a->ddd, %A->dddd, %%->%.
// Literal text is copied; literal letters that the notation would read as
// fields are quoted with double quotes. Unknown conversions are dropped.
std::string TranslateStrftimePattern(const std::string& pattern);

// A broken-down date and time.
struct DateTimeParts
{
    int year = 1899; // e.g. 2024
    int month = 12; // 1-12
    int day = 30; // 1-31
    int hour = 0; // 0-23
    int minute = 0; // 0-59
    int second = 0; // 0-59
    int millisecond = 0; // 0-999
    int dayOfWeek = 6; // 0 = Sunday ... 6 = Saturday (FormatDateTime uses it for ddd/dddd)

    bool operator==(const DateTimeParts&) const = default;
};

// Renders a date-time with a pattern in the program's notation:
//   d / dd        day without / with leading zero
//   ddd / dddd    short / long day name (English)
//   ddddd         the short date pattern of settings
//   dddddd        the short date pattern too (no long date is kept)
//   m / mm        month without / with leading zero (after h or hh: minutes)
//   mmm / mmmm    short / long month name (English)
//   yy / yyyy     two-digit / four-digit year
//   h / hh        hour without / with leading zero (12-hour clock when the
//                 pattern holds AM/PM or am/pm or a/p)
//   n / nn        minute; s / ss  second; z / zzz  millisecond
//   AM/PM, am/pm, a/p  the half-day marker, written in the case given
//   t / tt        the short / long time pattern of settings
//   c             short date, a blank and the long time (the time left out at
//                 exactly midnight)
//   /  :          the literal characters
//   "text" 'text' literal text
// Any other character is copied. Letters are recognised in either case. An
// empty pattern is the same as "c".
std::string FormatDateTime(const std::string& pattern, const DateTimeParts& when, const RegionalSettings& settings);

// FormatDateTime with CurrentRegionalSettings().
std::string FormatDateTime(const std::string& pattern, const DateTimeParts& when);

// Date-time value: days since 1899-12-30 00:00, the fraction the time of day.
// Conversions to and from broken-down parts (dayOfWeek filled in; the time is
// rounded to the nearest millisecond).
DateTimeParts DateTimeToParts(double dateTime);
double PartsToDateTime(const DateTimeParts& parts);

} // namespace veralith::platform
