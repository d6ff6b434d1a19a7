#pragma once

// Writing a list's entries to a text file.

#include <string>
#include <vector>

#include <QString>

namespace veralith::app {

// Writes lines to path, each followed by CR LF (no lines: an empty file),
// atomically: the text goes to a temporary file in the same folder, which then
// replaces path, so a failed write leaves any previous file untouched and
// never a truncated one. Returns true on success; on failure sets error to a
// message naming the file and the reason and returns false.
bool WriteLinesToFile(const QString& path, const std::vector<std::string>& lines, std::string& error);

} // namespace veralith::app
