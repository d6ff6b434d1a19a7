#include "directory/error_text.h"

#include "util/build_info.h"
#include "util/feedback.h"
#include "util/path.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace veralith::directory {

namespace {

using NWstrerrorFn = const char* (*)(int);

// Set by tests only; empty means the executable's directory (or the installed
// module folder).
std::string gModuleDirectoryOverride;

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

    bool Loaded() const { return m_handle != nullptr; }
    NWstrerrorFn Function() const { return reinterpret_cast<NWstrerrorFn>(dlsym(m_handle, "NWstrerror")); }

private:
    void* m_handle;
};

} // namespace

std::string ErrorTextModulePath()
{
    if (gModuleDirectoryOverride.empty()) {
        return util::FindProgramFile(util::ExecutablePath(), util::kInstalledModuleFolder, kErrorTextModuleName);
    }
    const std::string& directory = gModuleDirectoryOverride;
    return directory + (directory.back() == '/' ? "" : "/") + kErrorTextModuleName;
}

bool SetErrorTextModuleDirectoryForTesting(const std::string& directory)
{
    if (!directory.empty() && directory.front() != '/') {
        return false;
    }
    gModuleDirectoryOverride = directory;
    return true;
}

std::string ErrorText(std::int32_t code)
{
    const std::string hex = HexCodeText(code);
    const LoadedModule module(ErrorTextModulePath());
    if (!module.Loaded()) {
        return hex;
    }
    std::string description = kUnknownErrorText;
    if (const NWstrerrorFn function = module.Function(); function != nullptr) {
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
