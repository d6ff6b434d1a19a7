#pragma once

// Per-user special folders, read the way the program asks for them: by name
// under the registry's "Shell Folders" key.

#include <cstdint>
#include <string>

namespace veralith::platform {

// Root key handle of the per-user registry hive (the only root the program reads).
inline constexpr std::uint32_t HKEY_CURRENT_USER_ROOT = 0x80000001u;

// The key holding the user's special folders.
inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The text of a registry value. Only HKEY_CURRENT_USER's ShellFoldersKey exists,
// with the value "AppData" (ReadShellFolder("AppData")); key path and value
// name compare without regard to ASCII case. Every other root, key or value is
// absent and gives an empty text.
std::string ReadRegistryText(std::uint32_t rootKey, const std::string& keyPath, const std::string& valueName);

// The path of a per-user special folder by name. "AppData" (any ASCII case)
// gives $XDG_CONFIG_HOME when it is set to an absolute path, else $HOME/.config
// (no trailing "/"); an empty text when neither can be determined. Any other
// name gives an empty text.
std::string ReadShellFolder(const std::string& name);

} // namespace veralith::platform
