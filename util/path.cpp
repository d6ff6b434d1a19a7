#include "util/path.h"

#include "util/text.h"

#include <filesystem>
#include <system_error>

namespace veralith::util {

std::string WithTrailingBackslash(const std::string& path)
{
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
        return path;
    }
    return path + '/';
}

std::string ChangeExtension(const std::string& path, std::string_view extension)
{
    const std::string newExtension = extension.empty() ? std::string() : EnsurePrefix(std::string(extension), ".");
    const std::size_t nameStart = [&] {
        const std::size_t separator = path.find_last_of("/\\:");
        return separator == std::string::npos ? 0 : separator + 1;
    }();
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= nameStart;
    return (hasExtension ? path.substr(0, dot) : path) + newExtension;
}

std::string ExecutablePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ExeFileWithExtension(std::string_view extension)
{
    return ChangeExtension(ExecutablePath(), extension);
}

std::string FindProgramFile(const std::string& executablePath, std::string_view installedFolder, std::string_view name)
{
    const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
    if (folder.empty()) {
        return {};
    }
    const std::filesystem::path beside = (folder / name).lexically_normal();
    const std::filesystem::path installed = (folder / installedFolder / name).lexically_normal();
    std::error_code error;
    if (!std::filesystem::is_regular_file(beside, error) && std::filesystem::is_regular_file(installed, error)) {
        return installed.string();
    }
    return beside.string();
}

} // namespace veralith::util
