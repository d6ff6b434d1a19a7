#pragma once

// Format: the program's own formatting of patterns such as "Error %04X: %s".
//
// Conversions ("%" [flags] [width] ["." precision] conversion):
//   %s  a text argument; a precision cuts the text to at most that many characters
//   %d  an integer argument as signed decimal
//   %u  an integer argument as unsigned decimal (a negative value that fits in
//       32 bits is shown as its 32-bit two's complement, a smaller one as its
//       64-bit two's complement)
//   %X  an integer argument as upper-case hexadecimal of its 32-bit two's
//       complement (64-bit when the value does not fit 32 bits); "%x" is the same
//   %%  a percent sign (takes no argument)
// Conversion letters may be written in either case.
// Width: the digits before any point; the result is right-aligned in at least
// that many characters and always padded with BLANKS ("%04X" of 31 gives
// "  1F": the leading 0 is part of the width, not a zero-fill flag). A "-" flag
// left-aligns instead.
// Precision: with an integer conversion, at least that many digits, filled with
// zeros ("%.4X" of 31 gives "001F", "%.02X" of 10 gives "0A"); the sign stands
// before the zeros.
// Width and precision may each be at most 4096.
//
// A pattern that does not fit its arguments raises FormatError: too few or too
// many arguments, an argument of the wrong kind, an unknown conversion, a "%" at
// the end of the pattern, or a width/precision that is too large. The message
// names the pattern and the 1-based position of the offending "%". Format never
// reaches printf; any pattern text is safe to pass (user-written templates
// go through it).

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace veralith::util {

// Raised when a pattern does not fit its arguments.
class FormatError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One argument of Format: a text or an integer (signed or unsigned, up to 64 bits).
class FormatArg
{
public:
    FormatArg(std::string text)
        : m_value(std::move(text))
    { }
    FormatArg(std::string_view text)
        : m_value(std::string(text))
    { }
    FormatArg(const char* text)
        : m_value(std::string(text ? text : ""))
    { }
    template<std::signed_integral T>
    FormatArg(T number)
        : m_value(static_cast<std::int64_t>(number))
    { }
    template<std::unsigned_integral T>
    requires(!std::same_as<T, bool>) FormatArg(T number)
        : m_value(static_cast<std::uint64_t>(number))
    { }
    FormatArg(bool) = delete; // a flag is shown with BoolToText, never as a number
    FormatArg(char) = delete; // a character is ambiguous: pass std::string(1, c) or an integer

    bool IsText() const { return std::holds_alternative<std::string>(m_value); }
    const std::variant<std::string, std::int64_t, std::uint64_t>& Value() const { return m_value; }

private:
    std::variant<std::string, std::int64_t, std::uint64_t> m_value;
};

// Fills pattern with the arguments in order; see the rules above. Throws FormatError.
std::string Format(std::string_view pattern, const std::vector<FormatArg>& args);

// Format(pattern, {args...}).
template<typename... Args>
requires(!(std::same_as<std::remove_cvref_t<Args>, std::vector<FormatArg>> || ...)) std::string
    Format(std::string_view pattern, Args&&... args)
{
    const std::vector<FormatArg> list {FormatArg(std::forward<Args>(args))...};
    return Format(pattern, list);
}

} // namespace veralith::util
