#include "util/format.h"

#include <limits>

namespace veralith::util {

namespace {

constexpr std::size_t kMaxWidth = 4096;

// The pattern as an error message quotes it: long patterns are shortened.
std::string Quoted(std::string_view pattern)
{
    constexpr std::size_t kShown = 200;
    return "\"" + std::string(pattern.substr(0, kShown)) + (pattern.size() > kShown ? "...\"" : "\"");
}

[[noreturn]] void Fail(std::string_view pattern, std::size_t position, const std::string& what)
{
    throw FormatError(
        "Format pattern " + Quoted(pattern) + ": " + what + " at position " + std::to_string(position + 1));
}

// Digits of a non-negative magnitude in base 10 or 16 (upper case).
std::string Digits(std::uint64_t magnitude, unsigned base)
{
    static constexpr char kDigitChars[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigitChars[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    return digits;
}

// The two's complement bits of a value: 32 bits when it fits a 32-bit integer
// (signed or unsigned), else 64 bits.
std::uint64_t TwosComplement(const FormatArg& arg)
{
    if (const auto* value = std::get_if<std::int64_t>(&arg.Value())) {
        if (*value >= std::numeric_limits<std::int32_t>::min() && *value < 0) {
            return static_cast<std::uint32_t>(static_cast<std::int32_t>(*value));
        }
        return static_cast<std::uint64_t>(*value);
    }
    return std::get<std::uint64_t>(arg.Value());
}

struct Field
{
    bool leftAlign = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
};

// Reads a run of digits at pattern[i]; fails beyond MaxWidth.
std::size_t ReadNumber(std::string_view pattern, std::size_t& i, std::size_t percent, const char* what)
{
    std::size_t number = 0;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
        number = number * 10 + static_cast<std::size_t>(pattern[i] - '0');
        if (number > kMaxWidth) {
            Fail(pattern, percent, std::string(what) + " larger than " + std::to_string(kMaxWidth));
        }
        ++i;
    }
    return number;
}

std::string Pad(std::string text, const Field& field)
{
    if (text.size() < field.width) {
        const std::string blanks(field.width - text.size(), ' ');
        text = field.leftAlign ? text + blanks : blanks + text;
    }
    return text;
}

} // namespace

std::string Format(std::string_view pattern, const std::vector<FormatArg>& args)
{
    std::string result;
    std::size_t nextArg = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c != '%') {
            result.push_back(c);
            ++i;
            continue;
        }
        const std::size_t percent = i++;
        if (i >= pattern.size()) {
            Fail(pattern, percent, "\"%\" without a conversion");
        }
        if (pattern[i] == '%') {
            result.push_back('%');
            ++i;
            continue;
        }
        Field field;
        if (pattern[i] == '-') {
            field.leftAlign = true;
            ++i;
        }
        field.width = ReadNumber(pattern, i, percent, "width");
        if (i < pattern.size() && pattern[i] == '.') {
            ++i;
            field.hasPrecision = true;
            field.precision = ReadNumber(pattern, i, percent, "precision");
        }
        if (i >= pattern.size()) {
            Fail(pattern, percent, "\"%\" without a conversion");
        }
        const char conversion = pattern[i++];
        const char kind =
            (conversion >= 'a' && conversion <= 'z') ? static_cast<char>(conversion - 'a' + 'A') : conversion;
        if (kind != 'S' && kind != 'D' && kind != 'U' && kind != 'X') {
            Fail(pattern, percent, "unknown conversion \"%" + std::string(1, conversion) + "\"");
        }
        if (nextArg >= args.size()) {
            Fail(pattern, percent, "missing argument for \"%" + std::string(1, conversion) + "\"");
        }
        const FormatArg& arg = args[nextArg++];
        if ((kind == 'S') != arg.IsText()) {
            Fail(pattern, percent,
                std::string(kind == 'S' ? "a number" : "a text") + " given for \"%" + std::string(1, conversion) +
                    "\"");
        }
        std::string piece;
        if (kind == 'S') {
            piece = std::get<std::string>(arg.Value());
            if (field.hasPrecision && piece.size() > field.precision) {
                piece.resize(field.precision);
            }
        } else {
            bool negative = false;
            std::uint64_t magnitude = 0;
            if (kind == 'D') {
                if (const auto* value = std::get_if<std::int64_t>(&arg.Value())) {
                    negative = *value < 0;
                    magnitude = negative ? 0 - static_cast<std::uint64_t>(*value) : static_cast<std::uint64_t>(*value);
                } else {
                    magnitude = std::get<std::uint64_t>(arg.Value());
                }
            } else {
                magnitude = TwosComplement(arg);
            }
            std::string digits = Digits(magnitude, kind == 'X' ? 16 : 10);
            if (field.hasPrecision && digits.size() < field.precision) {
                digits.insert(0, field.precision - digits.size(), '0');
            }
            piece = negative ? "-" + digits : digits;
        }
        result += Pad(std::move(piece), field);
    }
    if (nextArg < args.size()) {
        throw FormatError("Format pattern " + Quoted(pattern) + ": " + std::to_string(args.size() - nextArg) +
            " argument(s) left over at the end, position " + std::to_string(pattern.size() + 1));
    }
    return result;
}

} // namespace veralith::util
