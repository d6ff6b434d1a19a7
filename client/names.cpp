#include "client/names.h"

#include "client/schema.h"
#include "client/service.h"

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client {

std::size_t FindUnescaped(std::string_view text, char separator, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == separator) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::size_t FindUnescapedBackward(std::string_view text, char separator, std::size_t end)
{
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < end && i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == separator) {
            last = i;
        }
    }
    return last;
}

std::vector<std::string_view> SplitUnescaped(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    if (text.empty()) {
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = FindUnescaped(text, separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::size_t CountUnescaped(std::string_view text, char separator)
{
    std::size_t count = 0;
    for (std::size_t at = FindUnescaped(text, separator); at != std::string_view::npos;
         at = FindUnescaped(text, separator, at + 1)) {
        ++count;
    }
    return count;
}

bool EscapesComplete(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            if (i + 1 == text.size()) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

std::string EscapeNameValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '.' || c == '=' || c == '+' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out;
}

const char* DefaultNamingType(std::size_t index, std::size_t count)
{
    if (index == 0) {
        return "CN";
    }
    return index + 1 == count ? "O" : "OU";
}

std::string UnescapeNameValue(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
        }
        out.push_back(text[i]);
    }
    return out;
}

namespace {

bool IsTypeChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Splits "type=value" at the first unescaped "=" when what stands before it
// is a type; otherwise the whole text is the value.
void SplitType(std::string_view text, NameComponent* component)
{
    const std::size_t eq = FindUnescaped(text, '=');
    if (eq != std::string_view::npos && eq > 0) {
        const std::string_view type = text.substr(0, eq);
        bool typeOk = true;
        for (char c : type) {
            typeOk = typeOk && IsTypeChar(c);
        }
        if (typeOk) {
            component->type = std::string(type);
            text = text.substr(eq + 1);
        }
    }
    component->rdn = std::string(text);
}

DirResult ParseComponent(std::string_view text, NameComponent* component)
{
    if (!EscapesComplete(text)) {
        return ERR_INVALID_OBJECT_NAME;
    }
    SplitType(text, component);
    // Special names in brackets stand alone, never as a component.
    if (component->rdn.empty() || component->rdn.size() > kMaxRdnChars || component->rdn.front() == '[') {
        return ERR_INVALID_OBJECT_NAME;
    }
    return 0;
}

// True when text ends in a dot that no backslash escapes.
bool EndsInUnescapedDot(std::string_view text)
{
    if (text.empty() || text.back() != '.') {
        return false;
    }
    std::size_t backslashes = 0;
    for (std::size_t i = text.size() - 1; i-- > 0 && text[i] == '\\';) {
        ++backslashes;
    }
    return backslashes % 2 == 0;
}

void AppendComponent(std::string* out, const NameComponent& c, bool withType)
{
    if (withType && !c.type.empty()) {
        *out += c.type;
        *out += '=';
    }
    *out += c.rdn;
}

// Components are the same when their values are; where types are part of the
// names, two written types must agree as well.
bool SameComponent(const NameComponent& a, const NameComponent& b, bool compareTypes)
{
    return SameTextIgnoreCase(a.rdn, b.rdn) &&
        (!compareTypes || a.type.empty() || b.type.empty() || SameTextIgnoreCase(a.type, b.type));
}

} // namespace

bool CarriesTypes(const DirectoryService* service)
{
    return service != nullptr && service->NamesCarryTypes();
}

bool IsBracketName(std::string_view name)
{
    return name.size() >= 2 && name.front() == '[' && name.back() == ']';
}

DirResult ParseName(std::string_view text, ParsedName* name)
{
    ParsedName parsed;
    if (text.size() > kMaxNameChars) {
        return ERR_INVALID_OBJECT_NAME;
    }
    if (SameTextIgnoreCase(text, "[Root]")) {
        parsed.root = true;
        *name = std::move(parsed);
        return 0;
    }
    if (!text.empty() && text.front() == '.') {
        parsed.absolute = true;
        text.remove_prefix(1);
        if (text.empty()) {
            return ERR_INVALID_OBJECT_NAME;
        }
    }
    while (EndsInUnescapedDot(text)) {
        ++parsed.trailingDots;
        text.remove_suffix(1);
    }
    if (parsed.absolute && parsed.trailingDots > 0) {
        return ERR_INVALID_OBJECT_NAME;
    }
    for (const std::string_view part : SplitUnescaped(text, '.')) {
        NameComponent component;
        if (const DirResult rc = ParseComponent(part, &component); rc != 0) {
            return rc;
        }
        parsed.components.push_back(std::move(component));
    }
    *name = std::move(parsed);
    return 0;
}

bool PlainFullName(std::string_view text, bool fromRoot, std::string_view* full)
{
    if (text.size() > kMaxNameChars) {
        return false;
    }
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    } else if (!fromRoot) {
        return false;
    }
    std::size_t componentStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            const std::size_t length = i - componentStart;
            if (length == 0 || length > kMaxRdnChars) {
                return false;
            }
            componentStart = i + 1;
        } else if (text[i] == '\\' || text[i] == '=' || text[i] == '[' || text[i] == ']') {
            return false;
        }
    }
    *full = text;
    return true;
}

DirResult ResolveName(
    const ParsedName& name, const std::vector<NameComponent>& nameContext, std::vector<NameComponent>* full)
{
    if (name.root) {
        full->clear();
        return 0;
    }
    std::vector<NameComponent> result = name.components;
    if (!name.absolute) {
        if (name.trailingDots > nameContext.size()) {
            return ERR_INVALID_OBJECT_NAME;
        }
        result.insert(
            result.end(), nameContext.begin() + static_cast<std::ptrdiff_t>(name.trailingDots), nameContext.end());
    }
    *full = std::move(result);
    return 0;
}

std::string JoinTypeless(const std::vector<NameComponent>& components, bool withTypes)
{
    std::string out;
    for (const NameComponent& c : components) {
        if (!out.empty()) {
            out += '.';
        }
        AppendComponent(&out, c, withTypes);
    }
    return out;
}

std::vector<NameComponent> SplitTypeless(std::string_view fullName)
{
    std::vector<NameComponent> components;
    for (const std::string_view part : SplitUnescaped(fullName, '.')) {
        NameComponent c;
        SplitType(part, &c);
        components.push_back(std::move(c));
    }
    return components;
}

namespace {

std::string Format(
    const std::vector<NameComponent>& components, bool typed, const std::vector<std::string>& types, bool keepTypes)
{
    std::string out;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            out += '.';
        }
        if (typed) {
            const std::string& type = !components[i].type.empty() ? components[i].type
                : i < types.size()                                ? types[i]
                                                                  : std::string("CN");
            out += type;
            out += '=';
            out += components[i].rdn;
        } else {
            AppendComponent(&out, components[i], keepTypes);
        }
    }
    return out;
}

} // namespace

std::string FormatComponents(const std::vector<NameComponent>& components, bool typed, DirectoryService* service)
{
    std::vector<std::string> types;
    if (typed) {
        bool needTypes = false;
        for (const NameComponent& c : components) {
            needTypes = needTypes || c.type.empty();
        }
        if (needTypes && service != nullptr) {
            types = service->NamingTypes(JoinTypeless(components, CarriesTypes(service)));
        }
    }
    return Format(components, typed, types, CarriesTypes(service));
}

std::string DeliveredName(std::string_view fullName, const std::vector<std::string>& namingTypes,
    const std::vector<NameComponent>& nameContext, bool typed, DirectoryService* service)
{
    if (IsBracketName(fullName)) {
        return std::string(fullName);
    }
    std::vector<NameComponent> components = SplitTypeless(fullName);
    if (typed) {
        std::vector<std::string> types = namingTypes;
        if (types.size() != components.size() && service != nullptr) {
            types = service->NamingTypes(fullName);
        }
        for (std::size_t i = 0; i < components.size() && i < types.size(); ++i) {
            components[i].type = types[i];
        }
    }
    // A service's own names carry a type only where it tells objects apart,
    // so a typeless name keeps every type the service wrote.
    const bool keepTypes = true;
    const bool compareTypes = CarriesTypes(service);
    if (nameContext.empty()) {
        return Format(components, typed, {}, keepTypes);
    }
    bool below = components.size() > nameContext.size();
    for (std::size_t i = 0; below && i < nameContext.size(); ++i) {
        below = SameComponent(components[components.size() - nameContext.size() + i], nameContext[i], compareTypes);
    }
    if (below) {
        components.resize(components.size() - nameContext.size());
        return Format(components, typed, {}, keepTypes);
    }
    return "." + Format(components, typed, {}, keepTypes);
}

} // namespace veralith::client
