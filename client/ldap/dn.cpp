#include "client/ldap/dn.h"

#include "client/name_syntax.h"
#include "client/schema.h"
#include "client/text_codec.h"

#include <cctype>

namespace veralith::client::ldap {

namespace {

bool IsBlank(char c)
{
    return c == ' ';
}

// Reads one attribute value from pos up to an unescaped ',' '+' or the end.
bool ReadValue(std::string_view dn, std::size_t* pos, std::string* value)
{
    std::size_t i = *pos;
    while (i < dn.size() && IsBlank(dn[i])) {
        ++i;
    }
    std::string out;
    if (i < dn.size() && dn[i] == '"') {
        // Quoted value (RFC 2253 form, still met in the wild).
        ++i;
        while (i < dn.size() && dn[i] != '"') {
            if (dn[i] == '\\' && i + 1 < dn.size()) {
                ++i;
            }
            out.push_back(dn[i]);
            ++i;
        }
        if (i >= dn.size()) {
            return false;
        }
        ++i;
        while (i < dn.size() && IsBlank(dn[i])) {
            ++i;
        }
    } else {
        std::size_t keep = 0; // length of out up to the last escaped or non-blank character
        while (i < dn.size() && dn[i] != ',' && dn[i] != '+' && dn[i] != ';') {
            if (dn[i] == '\\') {
                if (i + 1 >= dn.size()) {
                    return false;
                }
                const int hi = HexDigitValue(dn[i + 1]);
                const int lo = i + 2 < dn.size() ? HexDigitValue(dn[i + 2]) : -1;
                if (hi >= 0 && lo >= 0) {
                    out.push_back(static_cast<char>(hi * 16 + lo));
                    i += 3;
                } else {
                    out.push_back(dn[i + 1]);
                    i += 2;
                }
                keep = out.size();
                continue;
            }
            out.push_back(dn[i]);
            if (!IsBlank(dn[i])) {
                keep = out.size();
            }
            ++i;
        }
        out.resize(keep);
    }
    if (i < dn.size() && dn[i] != ',' && dn[i] != '+' && dn[i] != ';') {
        return false;
    }
    *pos = i;
    *value = std::move(out);
    return true;
}

// Parses the relative names of dn, leaf first, up to maxRdns of them (the
// rest of the DN is not looked at).
bool ParseRdns(std::string_view dn, std::size_t maxRdns, std::vector<DnComponent>* components)
{
    std::vector<DnComponent> parsed;
    std::size_t i = 0;
    while (i < dn.size() && IsBlank(dn[i])) {
        ++i;
    }
    if (i == dn.size()) {
        components->clear();
        return true;
    }
    bool firstOfRdn = true;
    while (true) {
        while (i < dn.size() && IsBlank(dn[i])) {
            ++i;
        }
        const std::size_t typeStart = i;
        while (i < dn.size() && (std::isalnum(static_cast<unsigned char>(dn[i])) || dn[i] == '-' || dn[i] == '.')) {
            ++i;
        }
        std::string type(dn.substr(typeStart, i - typeStart));
        while (i < dn.size() && IsBlank(dn[i])) {
            ++i;
        }
        if (type.empty() || i >= dn.size() || dn[i] != '=') {
            return false;
        }
        ++i;
        std::string value;
        if (!ReadValue(dn, &i, &value)) {
            return false;
        }
        if (firstOfRdn) {
            parsed.push_back(DnComponent {std::move(type), std::move(value), {}});
        } else {
            parsed.back().more.push_back(DnPart {std::move(type), std::move(value)});
        }
        if (i >= dn.size()) {
            break;
        }
        firstOfRdn = dn[i] != '+';
        if (firstOfRdn && parsed.size() >= maxRdns) {
            break;
        }
        ++i;
    }
    *components = std::move(parsed);
    return true;
}

} // namespace

bool ParseDn(std::string_view dn, std::vector<DnComponent>* components)
{
    return ParseRdns(dn, std::string_view::npos, components);
}

bool ParseLeafRdn(std::string_view dn, DnComponent* leaf)
{
    std::vector<DnComponent> parsed;
    if (!ParseRdns(dn, 1, &parsed) || parsed.empty()) {
        return false;
    }
    *leaf = std::move(parsed.front());
    return true;
}

std::string EscapeDnValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool special = c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' ||
            c == '=' || (i == 0 && (c == '#' || c == ' ')) || (i + 1 == value.size() && c == ' ');
        if (c == '\0') {
            out += "\\00";
        } else if (special) {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out.push_back('\\');
            out.push_back(kUpperHexDigits[(c >> 4) & 0xF]);
            out.push_back(kUpperHexDigits[c & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string FormatDn(const std::vector<DnComponent>& components)
{
    return FormatDnFrom(components, 0);
}

std::string FormatDnFrom(const std::vector<DnComponent>& components, std::size_t from)
{
    std::string out;
    for (std::size_t i = from; i < components.size(); ++i) {
        const DnComponent& c = components[i];
        if (!out.empty()) {
            out.push_back(',');
        }
        out += c.type;
        out.push_back('=');
        out += EscapeDnValue(c.value);
        for (const DnPart& part : c.more) {
            out.push_back('+');
            out += part.type;
            out.push_back('=');
            out += EscapeDnValue(part.value);
        }
    }
    return out;
}

std::string TypelessName(const std::vector<DnComponent>& components)
{
    std::string out;
    for (const DnComponent& c : components) {
        if (!out.empty()) {
            out.push_back('.');
        }
        out += c.value;
    }
    return out;
}

std::vector<std::string> NamingTypes(const std::vector<DnComponent>& components)
{
    std::vector<std::string> types;
    types.reserve(components.size());
    for (const DnComponent& c : components) {
        std::string upper = c.type;
        for (char& ch : upper) {
            ch = UpperAscii(ch);
        }
        types.push_back(std::move(upper));
    }
    return types;
}

std::string ComponentName(const DnComponent& component, bool typed)
{
    std::string out;
    if (typed || !component.more.empty()) {
        out += component.type;
        out.push_back('=');
    }
    out += EscapeNameValue(component.value);
    for (const DnPart& part : component.more) {
        out.push_back('+');
        out += part.type;
        out.push_back('=');
        out += EscapeNameValue(part.value);
    }
    return out;
}

namespace {

// "type=value" at the first unescaped "=" when a type stands before it.
DnPart SplitPart(std::string_view text)
{
    DnPart part;
    const std::size_t eq = FindUnescaped(text, '=');
    bool typed = eq != std::string_view::npos && eq > 0;
    for (std::size_t i = 0; typed && i < eq; ++i) {
        const char c = text[i];
        typed = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
    }
    if (typed) {
        part.type = std::string(text.substr(0, eq));
        text = text.substr(eq + 1);
    }
    part.value = UnescapeNameValue(text);
    return part;
}

} // namespace

bool ParseNameComponent(std::string_view text, std::vector<DnPart>* parts)
{
    if (text.empty() || !EscapesComplete(text)) {
        return false;
    }
    std::vector<DnPart> result;
    bool allTyped = true;
    for (const std::string_view piece : SplitUnescaped(text, '+')) {
        result.push_back(SplitPart(piece));
        allTyped = allTyped && !result.back().type.empty() && !result.back().value.empty();
    }
    if (result.size() > 1 && !allTyped) {
        result.assign(1, SplitPart(text));
    }
    if (result.front().value.empty()) {
        return false;
    }
    *parts = std::move(result);
    return true;
}

ComponentMatch MatchComponent(const std::vector<DnPart>& written, const DnComponent& component)
{
    if (written.empty()) {
        return ComponentMatch::None;
    }
    if (written.size() == 1) {
        const DnPart& part = written.front();
        if (!component.more.empty() || !SameTextIgnoreCase(part.value, component.value)) {
            return ComponentMatch::None;
        }
        return part.type.empty() || SameTextIgnoreCase(part.type, component.type) ? ComponentMatch::Exact
                                                                                  : ComponentMatch::ValueOnly;
    }
    if (written.size() != component.more.size() + 1) {
        return ComponentMatch::None;
    }
    // Every part written is one of the relative name's, in any order.
    for (const DnPart& part : written) {
        bool found = SameTextIgnoreCase(part.type, component.type) && SameTextIgnoreCase(part.value, component.value);
        for (const DnPart& other : component.more) {
            found = found || (SameTextIgnoreCase(part.type, other.type) && SameTextIgnoreCase(part.value, other.value));
        }
        if (!found) {
            return ComponentMatch::None;
        }
    }
    return ComponentMatch::Exact;
}

} // namespace veralith::client::ldap
