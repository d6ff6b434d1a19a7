#include "client/names.h"

#include "client/schema.h"
#include "client/service.h"

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client {

namespace {

bool IsTypeChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

DirResult ParseComponent(std::string_view text, NameComponent* component)
{
    const std::size_t eq = text.find('=');
    if (eq != std::string_view::npos) {
        const std::string_view type = text.substr(0, eq);
        bool typeOk = !type.empty();
        for (char c : type) {
            typeOk = typeOk && IsTypeChar(c);
        }
        if (typeOk) {
            component->type = std::string(type);
            text = text.substr(eq + 1);
        }
    }
    // Special names in brackets stand alone, never as a component.
    if (text.empty() || text.size() > kMaxRdnChars || text.front() == '[') {
        return ERR_INVALID_OBJECT_NAME;
    }
    component->rdn = std::string(text);
    return 0;
}

} // namespace

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
    while (!text.empty() && text.back() == '.') {
        ++parsed.trailingDots;
        text.remove_suffix(1);
    }
    if (parsed.absolute && parsed.trailingDots > 0) {
        return ERR_INVALID_OBJECT_NAME;
    }
    std::size_t pos = 0;
    while (!text.empty()) {
        const std::size_t dot = text.find('.', pos);
        NameComponent component;
        const std::string_view part = text.substr(pos, dot == std::string_view::npos ? text.npos : dot - pos);
        if (const DirResult rc = ParseComponent(part, &component); rc != 0) {
            return rc;
        }
        parsed.components.push_back(std::move(component));
        if (dot == std::string_view::npos) {
            break;
        }
        pos = dot + 1;
    }
    *name = std::move(parsed);
    return 0;
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

std::string JoinTypeless(const std::vector<NameComponent>& components)
{
    std::string out;
    for (const NameComponent& c : components) {
        if (!out.empty()) {
            out += '.';
        }
        out += c.rdn;
    }
    return out;
}

std::vector<NameComponent> SplitTypeless(std::string_view fullName)
{
    std::vector<NameComponent> components;
    std::size_t pos = 0;
    while (!fullName.empty()) {
        const std::size_t dot = fullName.find('.', pos);
        NameComponent c;
        c.rdn = std::string(fullName.substr(pos, dot == std::string_view::npos ? fullName.npos : dot - pos));
        components.push_back(std::move(c));
        if (dot == std::string_view::npos) {
            break;
        }
        pos = dot + 1;
    }
    return components;
}

std::string FormatComponents(const std::vector<NameComponent>& components, bool typed, DirectoryService* service)
{
    std::vector<std::string> types;
    if (typed) {
        bool needTypes = false;
        for (const NameComponent& c : components) {
            needTypes = needTypes || c.type.empty();
        }
        if (needTypes && service != nullptr) {
            types = service->namingTypes(JoinTypeless(components));
        }
    }
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
        }
        out += components[i].rdn;
    }
    return out;
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
            types = service->namingTypes(fullName);
        }
        for (std::size_t i = 0; i < components.size() && i < types.size(); ++i) {
            components[i].type = types[i];
        }
    }
    if (nameContext.empty()) {
        return FormatComponents(components, typed, nullptr);
    }
    bool below = components.size() > nameContext.size();
    for (std::size_t i = 0; below && i < nameContext.size(); ++i) {
        const NameComponent& ours = components[components.size() - nameContext.size() + i];
        below = SameTextIgnoreCase(ours.rdn, nameContext[i].rdn);
    }
    if (below) {
        components.resize(components.size() - nameContext.size());
        return FormatComponents(components, typed, nullptr);
    }
    return "." + FormatComponents(components, typed, nullptr);
}

} // namespace veralith::client
