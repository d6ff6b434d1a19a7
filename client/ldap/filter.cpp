#include "client/ldap/filter.h"

#include "client/ldap/value_forms.h"
#include "client/text_codec.h"
#include "client/values.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace veralith::client::ldap {

namespace {

constexpr const char* kMatchNothing = "(!(objectClass=*))";
constexpr const char* kNamingAttributes[] = {"cn", "ou", "o", "c", "l", "dc", "uid"};

bool IsStringSyntax(std::uint32_t syntax)
{
    return (syntax >= SYN_CE_STRING && syntax <= SYN_NU_STRING) || syntax == SYN_TEL_NUMBER ||
        syntax == SYN_CLASS_NAME || syntax == SYN_UNKNOWN;
}

// A string value with "*" wildcards: each piece escaped, the stars kept.
std::string WildcardValue(std::string_view value)
{
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t star = value.find('*', pos);
        out += EscapeFilterValue(value.substr(pos, star == std::string_view::npos ? value.npos : star - pos));
        if (star == std::string_view::npos) {
            break;
        }
        out.push_back('*');
        pos = star + 1;
    }
    // "**" and friends are no valid substring filter; collapse runs.
    std::string collapsed;
    for (char c : out) {
        if (!(c == '*' && !collapsed.empty() && collapsed.back() == '*')) {
            collapsed.push_back(c);
        }
    }
    return collapsed;
}

std::int32_t ReadInt32(std::string_view bytes)
{
    std::int32_t v = 0;
    std::memcpy(&v, bytes.data(), sizeof v);
    return v;
}

std::string GeneralizedTime(std::uint32_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
        tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

// Every byte of a binary value escaped ("\\xx"): the filter stays ASCII.
std::string EscapeEveryByte(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += '\\';
        out += kLowerHexDigits[b >> 4];
        out += kLowerHexDigits[b & 15];
    }
    return out;
}

DirResult Compare(const FilterNode& node, const DnLookup& lookup, std::string* out)
{
    // The class test's attribute is the entry's objectClass.
    const std::string attribute =
        SameTextIgnoreCase(node.attribute, "Object Class") ? std::string("objectClass") : node.attribute;
    if (!IsAttributeDescription(attribute)) {
        return ERR_INVALID_FILTER_SYNTAX;
    }
    if (!node.hasValue) {
        *out += kMatchNothing;
        return 0;
    }
    const std::uint32_t syntax = node.syntaxId;
    const ValueForm form = ValueFormOf(attribute, "");
    std::string value;
    bool wildcard = false;
    std::string bytes;
    if (form == ValueForm::Sid && node.op == FTOK_EQ && SidBytes(node.value, &bytes)) {
        value = EscapeEveryByte(bytes); // compared as the server stores it
    } else if (form == ValueForm::Guid && node.op == FTOK_EQ && GuidBytes(node.value, &bytes)) {
        value = EscapeEveryByte(bytes);
    } else if (form == ValueForm::IntervalTime && syntax == SYN_TIME && node.value.size() >= 4) {
        value = IntervalTimeOfSeconds(static_cast<std::uint32_t>(ReadInt32(node.value)));
    } else if (syntax == SYN_DIST_NAME) {
        std::string dn;
        if (!lookup || !lookup(node.value, &dn)) {
            *out += kMatchNothing;
            return 0;
        }
        value = EscapeFilterValue(dn);
    } else if (syntax == SYN_BOOLEAN) {
        if (node.value.size() < 4) {
            return ERR_INVALID_FILTER_SYNTAX;
        }
        value = ReadInt32(node.value) != 0 ? "TRUE" : "FALSE";
    } else if (syntax == SYN_INTEGER || syntax == SYN_COUNTER || syntax == SYN_INTERVAL || syntax == SYN_HOLD) {
        if (node.value.size() < 4) {
            return ERR_INVALID_FILTER_SYNTAX;
        }
        value = std::to_string(ReadInt32(node.value));
    } else if (syntax == SYN_TIME || syntax == SYN_TIMESTAMP) {
        if (node.value.size() < 4) {
            return ERR_INVALID_FILTER_SYNTAX;
        }
        value = GeneralizedTime(static_cast<std::uint32_t>(ReadInt32(node.value)));
    } else if (IsStringSyntax(syntax) || syntax == SYN_TYPED_NAME) {
        wildcard = node.op == FTOK_EQ && node.value.find('*') != std::string::npos;
        value = wildcard ? WildcardValue(node.value) : EscapeFilterValue(node.value);
    } else {
        value = EscapeFilterValue(node.value);
    }
    *out += '(';
    *out += attribute;
    switch (node.op) {
    case FTOK_GE:
        *out += ">=" + value;
        break;
    case FTOK_LE:
        *out += "<=" + value;
        break;
    case FTOK_APPROX:
        *out += "=*" + WildcardValue(node.value) + "*";
        break;
    default:
        *out += '=' + value;
        break;
    }
    *out += ')';
    return 0;
}

DirResult Translate(const FilterNode& node, const DnLookup& lookup, std::string* out)
{
    switch (node.kind) {
    case FilterNode::Kind::And:
    case FilterNode::Kind::Or:
        if (node.children.empty()) {
            *out += node.kind == FilterNode::Kind::And ? "(objectClass=*)" : kMatchNothing;
            return 0;
        }
        *out += node.kind == FilterNode::Kind::And ? "(&" : "(|";
        for (const FilterNode& child : node.children) {
            if (const DirResult rc = Translate(child, lookup, out); rc != 0) {
                return rc;
            }
        }
        *out += ')';
        return 0;
    case FilterNode::Kind::Not:
        if (node.children.size() != 1) {
            return ERR_INVALID_FILTER_SYNTAX;
        }
        *out += "(!";
        if (const DirResult rc = Translate(node.children.front(), lookup, out); rc != 0) {
            return rc;
        }
        *out += ')';
        return 0;
    case FilterNode::Kind::BaseClass:
        if (node.text.empty()) {
            *out += "(objectClass=*)";
        } else {
            *out += "(objectClass=" + EscapeFilterValue(node.text) + ")";
        }
        return 0;
    case FilterNode::Kind::RelativeName: {
        const std::string value = WildcardValue(node.text);
        *out += "(|";
        for (const char* attr : kNamingAttributes) {
            *out += std::string("(") + attr + "=" + value + ")";
        }
        *out += ')';
        return 0;
    }
    case FilterNode::Kind::Present: {
        const std::string attribute =
            SameTextIgnoreCase(node.attribute, "Object Class") ? std::string("objectClass") : node.attribute;
        if (!IsAttributeDescription(attribute)) {
            return ERR_INVALID_FILTER_SYNTAX;
        }
        *out += "(" + attribute + "=*)";
        return 0;
    }
    case FilterNode::Kind::Compare:
        return Compare(node, lookup, out);
    }
    return ERR_INVALID_FILTER_SYNTAX;
}

} // namespace

std::string EscapeFilterValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '*' || c == '(' || c == ')' || c == '\\' || u < 0x20 || u == 0x7F) {
            out.push_back('\\');
            out.push_back(kLowerHexDigits[u >> 4]);
            out.push_back(kLowerHexDigits[u & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool IsAttributeDescription(std::string_view name)
{
    if (name.empty()) {
        return false;
    }
    if (std::isdigit(static_cast<unsigned char>(name.front()))) {
        for (char c : name) {
            if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') {
                return false;
            }
        }
        return name.back() != '.';
    }
    if (!std::isalpha(static_cast<unsigned char>(name.front()))) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') {
            return false;
        }
    }
    return true;
}

DirResult TranslateFilter(const FilterNode* filter, const DnLookup& lookup, std::string* out)
{
    std::string text;
    if (filter == nullptr) {
        text = "(objectClass=*)";
    } else if (const DirResult rc = Translate(*filter, lookup, &text); rc != 0) {
        return rc;
    }
    *out = std::move(text);
    return 0;
}

} // namespace veralith::client::ldap
