// The scalar forms of a tree file: bytes ("hex:", "base64:", "text:"),
// times, and object names.

#include "client/civil_date.h"
#include "client/memory/tree_values.h"
#include "client/name_syntax.h"
#include "client/text_codec.h"

#include <cctype>

namespace veralith::client::memory {

namespace {

constexpr std::int64_t kMaxUInt32 = 4294967295LL;

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, unsigned* value)
{
    if (at + count > text.size()) {
        return false;
    }
    unsigned v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    *value = v;
    return true;
}
} // namespace

bool ParseTreeBytes(std::string_view text, std::string* bytes)
{
    std::string out;
    if (text.substr(0, 5) == "text:") {
        *bytes = std::string(text.substr(5));
        return true;
    }
    if (text.substr(0, 4) == "hex:") {
        text.remove_prefix(4);
        if (text.size() % 2 != 0) {
            return false;
        }
        out.reserve(text.size() / 2);
        for (std::size_t i = 0; i < text.size(); i += 2) {
            const int hi = HexDigitValue(text[i]);
            const int lo = HexDigitValue(text[i + 1]);
            if (hi < 0 || lo < 0) {
                return false;
            }
            out += static_cast<char>(hi * 16 + lo);
        }
        *bytes = std::move(out);
        return true;
    }
    if (text.substr(0, 7) == "base64:") {
        text.remove_prefix(7);
        if (text.size() % 4 != 0) {
            return false;
        }
        for (std::size_t i = 0; i < text.size(); i += 4) {
            int v[4];
            int pad = 0;
            for (int k = 0; k < 4; ++k) {
                const char c = text[i + static_cast<std::size_t>(k)];
                if (c == '=' && i + 4 == text.size() && k >= 2) {
                    v[k] = 0;
                    ++pad;
                } else if (pad > 0 || (v[k] = Base64Value(c)) < 0) {
                    return false;
                }
            }
            const std::uint32_t n = (static_cast<std::uint32_t>(v[0]) << 18) |
                (static_cast<std::uint32_t>(v[1]) << 12) | (static_cast<std::uint32_t>(v[2]) << 6) |
                static_cast<std::uint32_t>(v[3]);
            out += static_cast<char>((n >> 16) & 0xFF);
            if (pad < 2) {
                out += static_cast<char>((n >> 8) & 0xFF);
            }
            if (pad < 1) {
                out += static_cast<char>(n & 0xFF);
            }
        }
        *bytes = std::move(out);
        return true;
    }
    return false;
}

bool ParseTreeTime(const JsonDocument& doc, std::uint32_t node, std::uint32_t* seconds)
{
    if (doc.Type(node) == JsonType::Number) {
        std::int64_t v = 0;
        if (!doc.Integer(node, &v) || v < 0 || v > kMaxUInt32) {
            return false;
        }
        *seconds = static_cast<std::uint32_t>(v);
        return true;
    }
    if (doc.Type(node) != JsonType::String) {
        return false;
    }
    // YYYY-MM-DDTHH:MM:SSZ
    const std::string_view t = doc.Text(node);
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    if (t.size() != 20 || !Digits(t, 0, 4, &year) || t[4] != '-' || !Digits(t, 5, 2, &month) || t[7] != '-' ||
        !Digits(t, 8, 2, &day) || t[10] != 'T' || !Digits(t, 11, 2, &hour) || t[13] != ':' ||
        !Digits(t, 14, 2, &minute) || t[16] != ':' || !Digits(t, 17, 2, &second) || t[19] != 'Z') {
        return false;
    }
    if (!IsCivilDate(static_cast<int>(year), month, day) || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    const std::int64_t total =
        DaysSince1970(static_cast<int>(year), month, day) * 86400 + hour * 3600 + minute * 60 + second;
    if (total < 0 || total > kMaxUInt32) {
        return false;
    }
    *seconds = static_cast<std::uint32_t>(total);
    return true;
}

namespace {

// "type=value" parts joined by unescaped "+", each type an attribute name
// (a letter, then letters, digits and "-") and each value not empty.
bool IsTypedComponent(std::string_view part)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t plus = FindUnescaped(part, '+', start);
        const std::string_view item = part.substr(start, plus == std::string_view::npos ? part.npos : plus - start);
        const std::size_t equals = FindUnescaped(item, '=');
        if (equals == 0 || equals == std::string_view::npos || equals + 1 == item.size() ||
            FindUnescaped(item, '=', equals + 1) != std::string_view::npos ||
            std::isalpha(static_cast<unsigned char>(item.front())) == 0) {
            return false;
        }
        for (const char c : item.substr(0, equals)) {
            if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-') {
                return false;
            }
        }
        if (plus == std::string_view::npos) {
            return true;
        }
        start = plus + 1;
    }
}

} // namespace

bool CheckTreeName(std::string_view name, std::string* problem, bool* typed)
{
    if (name.empty()) {
        *problem = "must not be empty";
        return false;
    }
    if (name.size() > 255) {
        *problem = "is longer than 255 characters";
        return false;
    }
    if (name.front() == '.') {
        *problem = "must not start with a dot (names in the file are full names)";
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = FindUnescaped(name, '.', start);
        const std::string_view part = name.substr(start, dot == std::string_view::npos ? name.npos : dot - start);
        if (part.empty()) {
            *problem = "has an empty name component";
            return false;
        }
        if (part.size() > 64) {
            *problem = "has a component longer than 64 characters";
            return false;
        }
        for (std::size_t i = 0; i < part.size(); ++i) {
            const char c = part[i];
            if (c == '\\') {
                // A backslash writes one of the characters a name gives a meaning.
                const char next = i + 1 < part.size() ? part[i + 1] : '\0';
                if (next != '.' && next != '=' && next != '+' && next != '\\') {
                    *problem = "has a backslash that escapes no \".\", \"=\", \"+\" or \"\\\"";
                    return false;
                }
                ++i;
                continue;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                *problem = "must be typeless, without \"=\" or control characters";
                return false;
            }
        }
        if (FindUnescaped(part, '=') != std::string_view::npos) {
            if (typed == nullptr || !IsTypedComponent(part)) {
                *problem = typed == nullptr ? "must be typeless, without \"=\" or control characters"
                                            : "has a component that is neither a value nor typed values "
                                              "(\"uid=adm\", \"cn=Doe+uid=jdoe1\")";
                return false;
            }
            *typed = true;
        }
        if (part.front() == '[') {
            *problem = "must not hold a special name in brackets";
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}
} // namespace veralith::client::memory
