#include "util/number.h"

#include "util/text.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace veralith::util {

namespace {

std::optional<NumberSeparators> defaultSeparators;

char SingleChar(const char* text, char fallback)
{
    return (text != nullptr && text[0] != '\0' && text[1] == '\0') ? text[0] : fallback;
}

NumberSeparators LocaleSeparators()
{
    const std::lconv* conventions = std::localeconv();
    NumberSeparators separators;
    separators.decimal = SingleChar(conventions ? conventions->decimal_point : nullptr, '.');
    separators.thousands =
        SingleChar(conventions ? conventions->thousands_sep : nullptr, separators.decimal == ',' ? '.' : ',');
    return separators;
}

// 1-based position of the first c in text, 0 when absent.
std::size_t PositionOf(const std::string& text, char c)
{
    const std::size_t offset = text.find(c);
    return offset == std::string::npos ? 0 : offset + 1;
}

void DeleteAll(std::string& text, char c)
{
    std::erase(text, c);
}

void ReplaceAll(std::string& text, char from, char to)
{
    for (char& c : text) {
        if (c == from) {
            c = to;
        }
    }
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The standard conversion: optional blanks, optional sign, digits, optionally
// "." and digits, optionally "E"/"e", an optional sign and digits; nothing else.
// On failure returns false and sets failPosition to the 1-based position of the
// first character that does not fit (1 for an empty text, length + 1 when the
// text ends too early).
bool ConvertStandard(const std::string& text, double& value, std::size_t& failPosition)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    const auto fail = [&](std::size_t at) {
        failPosition = at + 1;
        return false;
    };
    while (i < n && text[i] == ' ') {
        ++i;
    }
    const std::size_t numberStart = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t digitsStart = i;
    while (i < n && IsDigit(text[i])) {
        ++i;
    }
    if (i == digitsStart) {
        return fail(i);
    }
    if (i < n && text[i] == '.') {
        ++i;
        const std::size_t fractionStart = i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        if (i == fractionStart) {
            return fail(i);
        }
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        if (i == exponentStart) {
            return fail(i);
        }
    }
    if (i != n) {
        return fail(i);
    }
    // from_chars is independent of the C locale and takes no "+".
    const char* first = text.data() + numberStart;
    if (*first == '+') {
        ++first;
    }
    const auto [end, error] = std::from_chars(first, text.data() + n, value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + n) {
        return fail(numberStart); // out of range for a double
    }
    return true;
}

} // namespace

NumberSeparators DefaultNumberSeparators()
{
    if (!defaultSeparators) {
        defaultSeparators = LocaleSeparators();
    }
    return *defaultSeparators;
}

NumberSeparators SetNumberSeparators(NumberSeparators separators)
{
    const NumberSeparators previous = DefaultNumberSeparators();
    defaultSeparators = separators;
    return previous;
}

double TextToNumber(std::string_view input, NumberSeparators separators)
{
    const char decimalMark = separators.decimal;
    const char thousandsMark = separators.thousands;
    const bool hasOther = decimalMark == ',' || decimalMark == '.';
    const char otherMark = decimalMark == ',' ? '.' : ',';

    std::string text(input);
    DeleteAll(text, ' ');
    if (hasOther && decimalMark == thousandsMark) {
        DeleteAll(text, otherMark);
    }
    std::size_t d = PositionOf(text, decimalMark);
    std::size_t t = PositionOf(text, thousandsMark);
    const auto removeThousands = [&] {
        DeleteAll(text, thousandsMark);
        ReplaceAll(text, decimalMark, thousandsMark);
        d = PositionOf(text, decimalMark);
        t = PositionOf(text, thousandsMark);
    };
    // A text of exactly three characters without thousandsMark also takes this branch.
    if (static_cast<std::ptrdiff_t>(text.size()) - 3 == static_cast<std::ptrdiff_t>(t)) {
        removeThousands();
    }
    if (d > 0 && t > 0) {
        if (t > d) {
            removeThousands();
        } else {
            DeleteAll(text, thousandsMark);
        }
    }
    if (hasOther) {
        ReplaceAll(text, otherMark, decimalMark);
    }
    double value = 0;
    std::size_t failPosition = 0;
    if (ConvertStandard(text, value, failPosition)) {
        return value;
    }
    if (hasOther && failPosition == PositionOf(text, decimalMark)) {
        ReplaceAll(text, decimalMark, otherMark);
        if (ConvertStandard(text, value, failPosition)) {
            return value;
        }
    }
    return -1;
}

double TextToNumber(std::string_view text)
{
    return TextToNumber(text, DefaultNumberSeparators());
}

std::int32_t TextToInteger(std::string_view text, NumberSeparators separators)
{
    const double number = TextToNumber(text, separators);
    const double rounded = std::nearbyint(number); // the default rounding mode: ties to even
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw std::out_of_range("The number \"" + std::string(text) + "\" is outside the range of a 32-bit integer");
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t TextToInteger(std::string_view text)
{
    return TextToInteger(text, DefaultNumberSeparators());
}

DurationParts SplitSeconds(std::uint32_t n)
{
    DurationParts parts;
    parts.seconds = static_cast<std::uint16_t>(n % 60);
    parts.minutes = static_cast<std::uint16_t>((n / 60) % 60);
    parts.hours = static_cast<std::uint16_t>((n / 3600) % 24);
    parts.days = static_cast<std::uint16_t>(n / 86400);
    return parts;
}

std::string DurationText(std::uint32_t seconds)
{
    if (seconds == 0) {
        return "0 sec";
    }
    const DurationParts parts = SplitSeconds(seconds);
    std::string text;
    const auto piece = [&text](std::uint16_t count, const char* unit) {
        if (count != 0) {
            text += std::to_string(count);
            text += unit;
        }
    };
    piece(parts.days, " days, ");
    piece(parts.hours, " h, ");
    piece(parts.minutes, " min, ");
    piece(parts.seconds, " sec");
    return TrimRightChars(text, ", ");
}

} // namespace veralith::util
