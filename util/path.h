#pragma once

// File names beside the running executable.
//
// Paths may be written with "/" (the platform's separator) or "\"; both count as
// directory separators, and ":" ends a drive prefix.

#include <string>
#include <string_view>

namespace veralith::util {

// The path unchanged when it ends in "\" or "/", otherwise the path + "/" (the
// platform's directory separator); an empty path gives "/".
std::string WithTrailingBackslash(const std::string& path);

// A non-empty extension first gets a leading "." (EnsurePrefix); then the
// path's extension is replaced: the part from the last "." that stands after the
// last "/", "\" or ":" is cut off (nothing is cut when there is no such "."),
// and the extension is appended. An empty extension removes the old one
// ("C:\a.b\prog.exe" with "ini" gives "C:\a.b\prog.ini"; "/opt/a.b/prog" with
// "txt" gives "/opt/a.b/prog.txt").
std::string ChangeExtension(const std::string& path, std::string_view extension);

// The full path of the running executable (resolved from /proc/self/exe); an
// empty text when it cannot be read.
std::string ExecutablePath();

// ChangeExtension(ExecutablePath(), extension): "/opt/veralith/bin/veralith"
// with "txt" gives "/opt/veralith/bin/veralith.txt".
std::string ExeFileWithExtension(std::string_view extension);

// Where a program finds a file it ships with: the file name in the folder of
// the program at executablePath when a regular file stands there (the build
// tree), else name in installedFolder, a folder relative to the program's
// folder (an installed package: "../share/veralith" from "/usr/bin"), when a
// regular file stands there, else the path beside the program. The path is
// lexically normal ("/usr/bin/../share/x" is "/usr/share/x"). An executable
// path without a folder gives an empty text.
std::string FindProgramFile(const std::string& executablePath, std::string_view installedFolder, std::string_view name);

} // namespace veralith::util
