#include "platform/folders.h"

#include <cstdlib>

namespace veralith::platform {

namespace {

bool SameAsciiText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string ReadShellFolder(const std::string& name)
{
    if (!SameAsciiText(name, "AppData")) {
        return {};
    }
    const std::string configHome = Environment("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome.front() == '/') {
        return WithoutTrailingSlashes(configHome);
    }
    const std::string home = Environment("HOME");
    if (home.empty()) {
        return {};
    }
    std::string base = home;
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base + "/.config";
}

std::string ReadRegistryText(std::uint32_t rootKey, const std::string& keyPath, const std::string& valueName)
{
    if (rootKey != HKEY_CURRENT_USER_ROOT || !SameAsciiText(keyPath, kShellFoldersKey)) {
        return {};
    }
    return ReadShellFolder(valueName);
}

} // namespace veralith::platform
