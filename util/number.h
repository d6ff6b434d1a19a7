#pragma once

// Lenient number reading and duration texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace veralith::util {

// The decimal and thousands separators TextToNumber works with.
struct NumberSeparators
{
    char decimal = '.';
    char thousands = ',';
};

// The separators the one-argument TextToNumber/TextToInteger use. Unless
// SetNumberSeparators was called, they are read once, on first use, from the
// C library's current locale (localeconv, LC_NUMERIC), with the same rules as the
// platform's regional settings: a separator that is empty or longer than one
// byte falls back to "." (decimal) and to the other one of "," and "."
// (thousands). Read it after the program has set its locale (setlocale).
NumberSeparators DefaultNumberSeparators();

// Replaces the default separators (the program may copy its regional settings
// in); returns the previous ones, so tests restore them. Window thread only.
NumberSeparators SetNumberSeparators(NumberSeparators separators);

// Reads a number typed with either "," or "." as decimal separator and with
// thousands separators, guided by the separators given (D = decimal,
// T = thousands, O = the other one of "," and "."):
//   1. every blank is deleted;
//   2. if D = T, every O is deleted;
//   3. d, t = 1-based positions of the first D and first T (0 when absent);
//   4. if length - 3 = t, thousands removal (below);
//   5. if d > 0 and t > 0: t > d -> thousands removal, else every T is deleted;
//   6. if D is "," or ".", every O becomes D;
//   7. standard conversion (optional blanks, sign, digits, optional "." and
//      digits, optional exponent; the whole text must fit) -> the result;
//   8. if it fails at the position of the first D, every D becomes O and the
//      conversion is tried again;
//   9. otherwise -1.
// Thousands removal: delete every T, replace every D by T, recompute d and t.
// When D is neither "," nor ".", steps 2, 6 and 8 have no other separator and
// are skipped. The number is computed and returned in double precision, so
// typed integers keep all their digits. Never fails: any text that is not a
// number gives -1.
// Examples (D ".", T ","): "1,234" 1234; "12,345.6" 12345.6; "1,5" 1.5;
// "1,234,567" -1; " 4 2 " 42. (D ",", T "."): "1.234" 1234; "1.234,5" 1234.5.
double TextToNumber(std::string_view text, NumberSeparators separators);

// TextToNumber with DefaultNumberSeparators().
double TextToNumber(std::string_view text);

// TextToNumber rounded to the nearest integer, ties to the even neighbour
// ("2.5" gives 2, "3.5" gives 4); an unreadable text gives -1. Throws
// std::out_of_range (naming the text) when the rounded number does not fit a
// signed 32-bit integer (e.g. "1e10").
std::int32_t TextToInteger(std::string_view text, NumberSeparators separators);

// TextToInteger with DefaultNumberSeparators().
std::int32_t TextToInteger(std::string_view text);

// A duration split into its parts.
struct DurationParts
{
    std::uint16_t days = 0;
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    std::uint16_t seconds = 0;
};

// seconds = n mod 60; minutes = (n div 60) mod 60; hours = (n div 3600) mod 24;
// days = n div 86400 (at most 49,710 for a 32-bit n).
DurationParts SplitSeconds(std::uint32_t seconds);

// "0 sec" for 0; otherwise "%d days, %d h, %d min, %d sec" with zero parts left
// out and no dangling ", " ("1 days" for one day, "1 h, 1 min, 1 sec" for
// 3,661, "49710 days, 6 h, 28 min, 15 sec" for 4,294,967,295).
std::string DurationText(std::uint32_t seconds);

} // namespace veralith::util
