#include "client/ldap/value_forms.h"

#include "client/civil_date.h"
#include "client/schema.h"
#include "client/syntax_traits.h"
#include "client/text_codec.h"
#include "client/values.h"
#include "client/wire.h"

#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
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

// Postal address lines: "$" separates, "\24" and "\5C" stand for "$" and "\".
std::string UnescapePostal(std::string_view line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 2 < line.size() && HexDigitValue(line[i + 1]) >= 0 &&
            HexDigitValue(line[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigitValue(line[i + 1]) * 16 + HexDigitValue(line[i + 2])));
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
    const long long days = DaysSince1970(fields[0], static_cast<unsigned>(fields[1]), static_cast<unsigned>(fields[2]));
    const long long t = days * 86400 + fields[3] * 3600LL + fields[4] * 60LL + fields[5] - offset;
    if (t < 0 || t > UINT32_MAX) {
        return false;
    }
    *seconds = static_cast<std::uint32_t>(t);
    return true;
}

bool LdapValueToWire(std::uint32_t syntaxId, std::string_view value, const DnToName& nameOf, std::string* wire)
{
    WireWriter w;
    switch (TraitsOfSyntax(syntaxId).ldap) {
    case LdapMapping::Name:
        w.Raw(nameOf(value));
        break;
    case LdapMapping::Text:
        if (value.find('\0') != std::string_view::npos) {
            return false;
        }
        w.Raw(value);
        break;
    case LdapMapping::Boolean:
        if (value == "TRUE" || value == "FALSE") {
            w.U8(value == "TRUE" ? 1 : 0);
        } else {
            return false;
        }
        break;
    case LdapMapping::Integer: {
        long long v = 0;
        if (!ParseInt(value, &v)) {
            return false;
        }
        w.U32(ClampInt32(v));
        break;
    }
    case LdapMapping::GeneralizedTime: {
        std::uint32_t seconds = 0;
        if (!ParseGeneralizedTime(value, &seconds)) {
            return false;
        }
        w.U32(seconds);
        break;
    }
    case LdapMapping::FaxNumber:
        w.Bytes(Trim(Split(value, '$', 2).front()));
        w.U32(0);
        break;
    case LdapMapping::PostalLines: {
        const auto lines = Split(value, '$', kPostalAddressLines);
        w.U32(static_cast<std::uint32_t>(lines.size()));
        for (std::string_view line : lines) {
            w.Bytes(UnescapePostal(Trim(line)));
        }
        break;
    }
    case LdapMapping::ItemList: {
        const auto items = Split(value, '$', SIZE_MAX);
        w.U32(static_cast<std::uint32_t>(items.size()));
        for (std::string_view item : items) {
            w.Bytes(item);
        }
        break;
    }
    case LdapMapping::TypedAddress: {
        const auto parts = Split(value, '#', 2);
        std::uint32_t type = 0;
        if (parts.size() != 2 || !ParseU32(parts[0], &type)) {
            return false;
        }
        w.U32(type);
        w.Raw(parts[1]);
        break;
    }
    case LdapMapping::Path: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t nameSpace = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &nameSpace)) {
            return false;
        }
        w.U32(nameSpace);
        w.Bytes(nameOf(parts[1]));
        w.Raw(parts[2]);
        break;
    }
    case LdapMapping::Acl: {
        const auto parts = Split(value, '#', 4);
        std::uint32_t privileges = 0;
        if (parts.size() != 4 || !ParseU32(parts[0], &privileges)) {
            return false;
        }
        w.Bytes(parts[3]);
        // The subject may be a name or one of the bracketed specials.
        const bool special = !parts[2].empty() && parts[2].front() == '[';
        w.Bytes(special ? std::string(parts[2]) : nameOf(parts[2]));
        w.U32(privileges);
        break;
    }
    case LdapMapping::TimeStamp: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t seconds = 0;
        std::uint32_t replica = 0;
        std::uint32_t event = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &seconds) || !ParseU32(parts[1], &replica) ||
            !ParseU32(parts[2], &event) || replica > 0xFFFF || event > 0xFFFF) {
            return false;
        }
        w.U32(seconds);
        w.U16(static_cast<std::uint16_t>(replica));
        w.U16(static_cast<std::uint16_t>(event));
        break;
    }
    case LdapMapping::NumberAndName: {
        const auto parts = Split(value, '#', 2);
        std::uint32_t number = 0;
        if (parts.size() != 2 || !ParseU32(parts[0], &number)) {
            return false;
        }
        w.U32(number);
        w.Raw(nameOf(parts[1]));
        break;
    }
    case LdapMapping::TypedName: {
        const auto parts = Split(value, '#', 3);
        std::uint32_t level = 0;
        std::uint32_t interval = 0;
        if (parts.size() != 3 || !ParseU32(parts[0], &level) || !ParseU32(parts[1], &interval)) {
            return false;
        }
        w.U32(level);
        w.U32(interval);
        w.Raw(nameOf(parts[2]));
        break;
    }
    case LdapMapping::NotMapped:
        return false;
    case LdapMapping::UnknownBytes:
        w.U32(0);
        w.Raw(value);
        break;
    case LdapMapping::Bytes: // octet strings, streams, and ids past the known ones: the bytes
        w.Raw(value);
        break;
    }
    *wire = w.Take();
    return true;
}

namespace {

struct KnownForm
{
    const char* name;
    const char* oid;
    ValueForm form;
};

// Active Directory's attributes of these forms, by name and object identifier.
constexpr KnownForm kKnownForms[] = {
    {"objectSid", "1.2.840.113556.1.4.146", ValueForm::Sid},
    {"sIDHistory", "1.2.840.113556.1.4.609", ValueForm::Sid},
    {"securityIdentifier", "1.2.840.113556.1.4.121", ValueForm::Sid},
    {"tokenGroups", "1.2.840.113556.1.4.1301", ValueForm::Sid},
    {"tokenGroupsGlobalAndUniversal", "1.2.840.113556.1.4.1418", ValueForm::Sid},
    {"tokenGroupsNoGCAcceptable", "1.2.840.113556.1.4.1303", ValueForm::Sid},
    {"mS-DS-CreatorSID", "1.2.840.113556.1.4.1410", ValueForm::Sid},
    {"objectGUID", "1.2.840.113556.1.4.2", ValueForm::Guid},
    {"schemaIDGUID", "1.2.840.113556.1.4.148", ValueForm::Guid},
    {"accountExpires", "1.2.840.113556.1.4.159", ValueForm::IntervalTime},
    {"pwdLastSet", "1.2.840.113556.1.4.96", ValueForm::IntervalTime},
    {"lastLogonTimestamp", "1.2.840.113556.1.4.1696", ValueForm::IntervalTime},
    {"lastLogon", "1.2.840.113556.1.4.52", ValueForm::IntervalTime},
    {"lastLogoff", "1.2.840.113556.1.4.51", ValueForm::IntervalTime},
    {"badPasswordTime", "1.2.840.113556.1.4.49", ValueForm::IntervalTime},
    {"lockoutTime", "1.2.840.113556.1.4.662", ValueForm::IntervalTime},
    {"msDS-UserPasswordExpiryTimeComputed", "1.2.840.113556.1.4.1996", ValueForm::IntervalTime},
    {"msDS-LastSuccessfulInteractiveLogonTime", "1.2.840.113556.1.4.1970", ValueForm::IntervalTime},
    {"msDS-LastFailedInteractiveLogonTime", "1.2.840.113556.1.4.1971", ValueForm::IntervalTime},
};

// Seconds between 1601-01-01 and 1970-01-01, and interval ticks per second.
constexpr long long kEpochDifference = 11644473600LL;
constexpr long long kTicksPerSecond = 10000000LL;

std::string UpperHex(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kUpperHexDigits[b >> 4]);
        out.push_back(kUpperHexDigits[b & 15]);
    }
    return out;
}

bool FromHex(std::string_view text, std::string* bytes)
{
    if (text.size() % 2 != 0) {
        return false;
    }
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexDigitValue(text[i]);
        const int lo = HexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    *bytes = std::move(out);
    return true;
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count)
{
    std::uint32_t v = 0;
    for (std::size_t i = count; i-- > 0;) {
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return v;
}

// The registry form's fields: the first three in little-endian order.
std::string BracedGuid(std::string_view b)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%s-%s}", LittleEndian(b, 0, 4), LittleEndian(b, 4, 2),
        LittleEndian(b, 6, 2), UpperHex(b.substr(8, 2)).c_str(), UpperHex(b.substr(10, 6)).c_str());
    return text;
}

bool BracedGuidBytes(std::string_view text, std::string* bytes)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-') {
        return false;
    }
    std::string fields[5];
    const std::size_t starts[5] = {1, 10, 15, 20, 25};
    const std::size_t lengths[5] = {8, 4, 4, 4, 12};
    for (int f = 0; f < 5; ++f) {
        if (!FromHex(text.substr(starts[f], lengths[f]), &fields[f])) {
            return false;
        }
    }
    for (int f = 0; f < 3; ++f) {
        fields[f] = std::string(fields[f].rbegin(), fields[f].rend());
    }
    *bytes = fields[0] + fields[1] + fields[2] + fields[3] + fields[4];
    return true;
}

} // namespace

ValueForm ValueFormOf(std::string_view name, std::string_view oid)
{
    for (const KnownForm& known : kKnownForms) {
        if (SameTextIgnoreCase(name, known.name) || (!oid.empty() && oid == known.oid)) {
            return known.form;
        }
    }
    return ValueForm::Plain;
}

std::uint32_t SyntaxIdOfForm(ValueForm form)
{
    switch (form) {
    case ValueForm::Sid:
    case ValueForm::Guid:
        return SYN_CI_STRING;
    case ValueForm::IntervalTime:
        return SYN_TIME;
    case ValueForm::Plain:
        break;
    }
    return SYN_UNKNOWN;
}

bool SidText(std::string_view bytes, std::string* text)
{
    if (bytes.size() < 8 || static_cast<unsigned char>(bytes[0]) != 1 ||
        bytes.size() != 8 + 4 * static_cast<std::size_t>(static_cast<unsigned char>(bytes[1]))) {
        return false;
    }
    unsigned long long authority = 0;
    for (std::size_t i = 2; i < 8; ++i) {
        authority = (authority << 8) | static_cast<unsigned char>(bytes[i]);
    }
    std::string out = "S-1-";
    if (authority <= UINT32_MAX) {
        out += std::to_string(authority);
    } else {
        char hex[20];
        std::snprintf(hex, sizeof hex, "0x%012llX", authority);
        out += hex;
    }
    for (std::size_t at = 8; at < bytes.size(); at += 4) {
        out += '-';
        out += std::to_string(LittleEndian(bytes, at, 4));
    }
    *text = std::move(out);
    return true;
}

bool SidBytes(std::string_view text, std::string* bytes)
{
    if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text.substr(1, 3) != "-1-") {
        return false;
    }
    const auto parts = Split(text.substr(4), '-', SIZE_MAX);
    if (parts.empty() || parts.size() > 16) {
        return false;
    }
    long long authority = 0;
    if (!ParseInt(parts[0], &authority) || authority < 0 || parts[0].front() == '-' || parts[0].front() == '+') {
        return false;
    }
    std::string out;
    out.push_back(1);
    out.push_back(static_cast<char>(parts.size() - 1));
    for (int shift = 40; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((authority >> shift) & 0xFF));
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::uint32_t sub = 0;
        if (parts[i].empty() || !std::isdigit(static_cast<unsigned char>(parts[i].front())) ||
            !ParseU32(parts[i], &sub)) {
            return false;
        }
        for (int k = 0; k < 4; ++k) {
            out.push_back(static_cast<char>((sub >> (8 * k)) & 0xFF));
        }
    }
    *bytes = std::move(out);
    return true;
}

bool GuidText(std::string_view bytes, std::string* text)
{
    if (bytes.size() != 16) {
        return false;
    }
    *text = UpperHex(bytes) + " " + BracedGuid(bytes);
    return true;
}

bool GuidBytes(std::string_view text, std::string* bytes)
{
    std::string fromHex;
    std::string fromBraces;
    const std::size_t space = text.find(' ');
    if (space != std::string_view::npos) {
        // Both forms, as GuidText writes them: they must agree.
        if (!FromHex(text.substr(0, space), &fromHex) || fromHex.size() != 16 ||
            !BracedGuidBytes(text.substr(space + 1), &fromBraces) || fromHex != fromBraces) {
            return false;
        }
        *bytes = std::move(fromHex);
        return true;
    }
    if (BracedGuidBytes(text, &fromBraces)) {
        *bytes = std::move(fromBraces);
        return true;
    }
    if (FromHex(text, &fromHex) && fromHex.size() == 16) {
        *bytes = std::move(fromHex);
        return true;
    }
    return false;
}

bool IntervalTimeSeconds(std::string_view text, std::uint32_t* seconds, bool* never)
{
    long long ticks = 0;
    if (text.empty() || (!std::isdigit(static_cast<unsigned char>(text.front())) && text.front() != '-') ||
        !ParseInt(text, &ticks)) {
        return false;
    }
    if (ticks == 0 || text == "9223372036854775807") {
        *never = true;
        *seconds = 0;
        return true;
    }
    const long long t = ticks / kTicksPerSecond - kEpochDifference;
    if (ticks < 0 || t < 0 || t > UINT32_MAX) {
        return false;
    }
    *never = false;
    *seconds = static_cast<std::uint32_t>(t);
    return true;
}

std::string IntervalTimeOfSeconds(std::uint32_t seconds)
{
    return std::to_string((static_cast<long long>(seconds) + kEpochDifference) * kTicksPerSecond);
}

void AppendFormValues(ValueForm form, const std::vector<std::string_view>& values, AttributeData* data)
{
    if (form == ValueForm::Sid || form == ValueForm::Guid) {
        for (std::string_view value : values) {
            std::string text;
            if (!(form == ValueForm::Sid ? SidText(value, &text) : GuidText(value, &text))) {
                text = UpperHex(value);
            }
            data->values.push_back(std::move(text));
        }
        return;
    }
    std::vector<std::uint32_t> times;
    bool allTimes = data->syntaxId == SYN_TIME;
    for (std::string_view value : values) {
        std::uint32_t seconds = 0;
        bool never = false;
        allTimes = allTimes && IntervalTimeSeconds(value, &seconds, &never) && !never;
        times.push_back(seconds);
    }
    if (allTimes) {
        for (std::uint32_t seconds : times) {
            WireWriter w;
            w.U32(seconds);
            data->values.push_back(w.Take());
        }
        return;
    }
    if (data->syntaxId == SYN_TIME) {
        // Values taken in as times before go back to the server's numbers.
        for (std::string& wire : data->values) {
            std::uint32_t seconds = 0;
            for (std::size_t k = 0; k < 4 && k < wire.size(); ++k) {
                seconds |= static_cast<std::uint32_t>(static_cast<unsigned char>(wire[k])) << (8 * k);
            }
            wire = IntervalTimeOfSeconds(seconds);
        }
        data->syntaxId = SYN_CI_STRING;
    }
    for (std::string_view value : values) {
        std::uint32_t seconds = 0;
        bool never = false;
        const bool parsed = IntervalTimeSeconds(value, &seconds, &never);
        data->values.emplace_back(parsed && never ? std::string("never") : std::string(value));
    }
}

} // namespace veralith::client::ldap
