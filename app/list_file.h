#pragma once

// Writing a list's entries to a text file.

#include "util/result.h"

#include <string>
#include <vector>

#include <QString>

namespace veralith::app {

// Writes lines to path, each followed by CR LF (no lines: an empty file),
// through platform::WriteFileSafely: a regular file is replaced atomically
// (a failed write leaves any previous file untouched, never a truncated one)
// and keeps its mode, a link is written through, a device or FIFO is written
// in place. A file named "-" is a file like any other. Fails with a message naming the
// file and the reason.
util::Status WriteLinesToFile(const QString& path, const std::vector<std::string>& lines);

} // namespace veralith::app
