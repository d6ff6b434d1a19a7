#include "directory/error_text.h"

#include "util/feedback.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace veralith::directory {

namespace {

using NWstrerrorFn = const char* (*)(int);

// Set by tests only; empty means the executable's directory.
std::string g_moduleDirectoryOverride;

std::string ExecutableDirectory()
{
    std::array<char, 4096> path {};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string text(path.data(), static_cast<std::size_t>(length));
    const auto slash = text.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : text.substr(0, slash);
}

std::string HexCodeText(std::int32_t code)
{
    std::array<char, 16> text {};
    std::snprintf(text.data(), text.size(), "0x%.4X", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
    return text.data();
}

// Loads the module for the lifetime of the object; unloads it afterwards.
class LoadedModule
{
public:
    explicit LoadedModule(const std::string& path)
        : m_handle(path.empty() || path.front() != '/' ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
    { }
    ~LoadedModule()
    {
        if (m_handle != nullptr) {
            dlclose(m_handle);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return m_handle != nullptr; }
    NWstrerrorFn function() const { return reinterpret_cast<NWstrerrorFn>(dlsym(m_handle, "NWstrerror")); }

private:
    void* m_handle;
};

} // namespace

std::string ErrorTextModulePath()
{
    const std::string directory = g_moduleDirectoryOverride.empty() ? ExecutableDirectory() : g_moduleDirectoryOverride;
    if (directory.empty()) {
        return {};
    }
    return directory + (directory.back() == '/' ? "" : "/") + kErrorTextModuleName;
}

bool SetErrorTextModuleDirectoryForTesting(const std::string& directory)
{
    if (!directory.empty() && directory.front() != '/') {
        return false;
    }
    g_moduleDirectoryOverride = directory;
    return true;
}

std::string ErrorText(std::int32_t code)
{
    const std::string hex = HexCodeText(code);
    const LoadedModule module(ErrorTextModulePath());
    if (!module.loaded()) {
        return hex;
    }
    std::string description = kUnknownErrorText;
    if (const NWstrerrorFn function = module.function(); function != nullptr) {
        const char* text = function(code);
        description = text != nullptr ? text : "";
    }
    if (description == kUnknownErrorText) {
        description = std::strerror(code);
    }
    // The description is copied before the module is unloaded.
    return hex + " (" + description + ")";
}

void ReportError(std::int32_t code, const std::string& operation)
{
    if (code == 0) {
        return;
    }
    util::ShowMessageBox(util::MessageBoxKind::Error, operation + " returned error " + ErrorText(code));
}

} // namespace veralith::directory
