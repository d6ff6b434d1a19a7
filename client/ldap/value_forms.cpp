#include "client/ldap/value_forms.h"

#include "client/values.h"
#include "client/wire.h"

#include <cctype>
#include <chrono>
#include <climits>
#include <vector>

namespace veralith::client::ldap {

namespace {

bool ParseInt(std::string_view text, long long* out)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    long long v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        if (v < LLONG_MAX / 20) {
            v = v * 10 + (c - '0');
        }
    }
    *out = negative ? -v : v;
    return true;
}

std::uint32_t ClampInt32(long long v)
{
    if (v > INT32_MAX) {
        v = INT32_MAX;
    }
    if (v < INT32_MIN) {
        v = INT32_MIN;
    }
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
}

bool ParseU32(std::string_view text, std::uint32_t* out)
{
    long long v = 0;
    if (!ParseInt(text, &v) || v < 0 || v > UINT32_MAX) {
        return false;
    }
    *out = static_cast<std::uint32_t>(v);
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator, std::size_t maxParts)
{
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (parts.size() + 1 < maxParts) {
        const std::size_t at = text.find(separator, pos);
        if (at == std::string_view::npos) {
            break;
        }
        parts.push_back(text.substr(pos, at - pos));
        pos = at + 1;
    }
    parts.push_back(text.substr(pos));
    return parts;
}

int Hex(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Postal address lines: "$" separates, "\24" and "\5C" stand for "$" and "\".
std::string UnescapePostal(std::string_view line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 2 < line.size() && Hex(line[i + 1]) >= 0 && Hex(line[i + 2]) >= 0) {
            out.push_back(static_cast<char>(Hex(line[i + 1]) * 16 + Hex(line[i + 2])));
            i += 2;
        } else {
            out.push_back(line[i]);
        }
    }
    return out;
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return std::string(text);
}

} // namespace

bool ParseGeneralizedTime(std::string_view text, std::uint32_t* seconds)
{
    if (text.size() < 10) {
        return false;
    }
    int fields[6] = {0, 0, 0, 0, 0, 0};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    std::size_t pos = 0;
    for (int f = 0; f < 6; ++f) {
        if (f >= 4 && (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))) {
            break; // minutes and seconds may be left out
        }
        for (int k = 0; k < widths[f]; ++k, ++pos) {
            if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) {
                return false;
            }
            fields[f] = fields[f] * 10 + (text[pos] - '0');
        }
    }
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        }
    }
    long offset = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        const int sign = text[pos] == '-' ? -1 : 1;
        std::uint32_t hhmm = 0;
        if (!ParseU32(text.substr(pos + 1), &hhmm)) {
            return false;
        }
        offset = sign * static_cast<long>((hhmm / 100) * 3600 + (hhmm % 100) * 60);
    } else if (pos < text.size() && text[pos] != 'Z') {
        return false;
    }
    if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31 || fields[3] > 23 || fields[4] > 59 ||
        fields[5] > 60) {
        return false;
    }
    // Days since 1970 by calendar arithmetic (a day past the month's end
    // runs on into the next month, as timegm would have it); timegm itself
    // costs more than the rest of reading an entry.
    using namespace std::chrono;
    const sys_days firstOfMonth = year {fields[0]} / month {static_cast<unsigned>(fields[1])} / day {1};
    const long long days = firstOfMonth.time_since_epoch().count() + fields[2] - 1;
    const long long t = days * 86400 + fields[3] * 3600LL + fields[4] * 60LL + fields[5] - offset;
    if (t < 0 || t > UINT32_MAX) {
        return false;
    }
    *seconds = static_cast<std::uint32_t>(t);
    return true;
}

bool LdapValueToWire(std::uint32_t syntaxId, std::string_view value, const NameOfDn& nameOf, std::string* wire)
{
    WireWriter w;
    switch (syntaxId) {
    case SYN_DIST_NAME:
        w.raw(nameOf(value));
        break;
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
    case SYN_CLASS_NAME:
        if (value.find('\0') != std::string_view::npos) {
            return false;
        }
        w.raw(value);
        break;
    case SYN_BOOLEAN:
        if (value == "TRUE" || value == "FALSE") {
            w.u8(value == "TRUE" ? 1 : 0);
        } else {
            return false;
        }
        break;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL: {
        long long v = 0;
        if (!ParseInt(value, &v)) {
            return false;
        }
        w.u32(ClampInt32(v));
        break;
    }
    case SYN_TIME: {
        std::uint32_t seconds = 0;
        if (!ParseGeneralizedTime(value, &seconds)) {
            return false;
        }
        w.u32(seconds);
        break;
    }
    case SYN_FAX_NUMBER:
        w.bytes(Trim(Split(value, '$', 2).front()));
        w.u32(0);
        break;
    case SYN_PO_ADDRESS: {
        const auto lines = Split(value, '$', 6);
        w.u32(static_cast<std::uint32_t>(lines.size()));
        for (std::string_view line : lines) {
            w.bytes(UnescapePostal(Trim(line)));
        }
        break;
    }
    case SYN_CI_LIST:
    case SYN_OCTET_LIST: {
        const auto items = Split(value, '$', SIZE_MAX);
        w.u32(static_cast<std::uint32_t>(items.size()));
        for (std::string_view item : items) {
            w.bytes(item);
        }
        break;
    }
    case SYN_NET_ADDRESS:
    case SYN_EMAIL_ADDRESS: {
        const auto parts = Split(value, '#', 2);
        std::uint32_t type = 0;
        if (parts.size() != 2 || !ParseU32(parts[0], &type)) {
            return false;
        }
        w.u32(type);
        w.raw(parts[1]);
        break;
    }
    case SYN_PATH: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t nameSpace = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &nameSpace)) {
            return false;
        }
        w.u32(nameSpace);
        w.bytes(nameOf(parts[1]));
        w.raw(parts[2]);
        break;
    }
    case SYN_OBJECT_ACL: {
        const auto parts = Split(value, '#', 4);
        std::uint32_t privileges = 0;
        if (parts.size() != 4 || !ParseU32(parts[0], &privileges)) {
            return false;
        }
        w.bytes(parts[3]);
        // The subject may be a name or one of the bracketed specials.
        const bool special = !parts[2].empty() && parts[2].front() == '[';
        w.bytes(special ? std::string(parts[2]) : nameOf(parts[2]));
        w.u32(privileges);
        break;
    }
    case SYN_TIMESTAMP: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t seconds = 0;
        std::uint32_t replica = 0;
        std::uint32_t event = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &seconds) || !ParseU32(parts[1], &replica) ||
            !ParseU32(parts[2], &event) || replica > 0xFFFF || event > 0xFFFF) {
            return false;
        }
        w.u32(seconds);
        w.u16(static_cast<std::uint16_t>(replica));
        w.u16(static_cast<std::uint16_t>(event));
        break;
    }
    case SYN_BACK_LINK:
    case SYN_HOLD: {
        const auto parts = Split(value, '#', 2);
        std::uint32_t number = 0;
        if (parts.size() != 2 || !ParseU32(parts[0], &number)) {
            return false;
        }
        w.u32(number);
        w.raw(nameOf(parts[1]));
        break;
    }
    case SYN_TYPED_NAME: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t level = 0;
        std::uint32_t interval = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &level) || !ParseU32(parts[1], &interval)) {
            return false;
        }
        w.u32(level);
        w.u32(interval);
        w.raw(nameOf(parts[2]));
        break;
    }
    case SYN_REPLICA_POINTER:
        return false;
    case SYN_UNKNOWN:
        w.u32(0);
        w.raw(value);
        break;
    default: // 9, and ids above 27: the bytes
        w.raw(value);
        break;
    }
    *wire = w.take();
    return true;
}

} // namespace veralith::client::ldap
