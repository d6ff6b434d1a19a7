#pragma once

// Small character codecs shared by the client's parsers and writers (tree
// files, JSON, LDIF, LDAP names, filters and URLs) and by the value rendering
// above the client. Case folding here is ASCII only, as every case-insensitive
// comparison of the program is.

#include <cstdint>
#include <string>

namespace veralith::client {

// The value of one hexadecimal digit (either case), or -1 for any other
// character.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The digits of hexadecimal numbers, indexed by their value.
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
inline constexpr char kLowerHexDigits[] = "0123456789abcdef";

// The character with A-Z mapped to a-z; any other byte unchanged.
constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The character with a-z mapped to A-Z; any other byte unchanged.
constexpr char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Appends the UTF-8 encoding of one code point (at most 0x10FFFF).
inline void AppendUtf8(std::string& out, std::uint32_t codePoint)
{
    const auto byte = [](std::uint32_t bits) { return static_cast<char>(bits); };
    if (codePoint < 0x80) {
        out += byte(codePoint);
    } else if (codePoint < 0x800) {
        out += byte(0xC0 | (codePoint >> 6));
        out += byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += byte(0xE0 | (codePoint >> 12));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    } else {
        out += byte(0xF0 | (codePoint >> 18));
        out += byte(0x80 | ((codePoint >> 12) & 0x3F));
        out += byte(0x80 | ((codePoint >> 6) & 0x3F));
        out += byte(0x80 | (codePoint & 0x3F));
    }
}

} // namespace veralith::client
