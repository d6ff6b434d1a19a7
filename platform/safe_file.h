#pragma once

// Writing a whole file so that neither a crash nor the kind of file at the
// path can damage what is there: the one writer for every file the program
// produces (result files, saved lists, the settings file).

#include "util/result.h"

#include <string>
#include <string_view>

namespace veralith::platform {

// Writes content as the whole of the file at path.
//
// - A symbolic link is followed (link by link, relative links against the
//   folder of the link) and its final target is written; the link stays.
// - A path that names one of the process's open descriptors (/dev/stdout,
//   /dev/stderr, /dev/fd/N, /proc/self/fd/N, also when reached through a link)
//   is written through that descriptor, at its current position, and the
//   descriptor stays open.
// - A target that exists and is not a regular file (a device, a FIFO, a
//   socket) is opened for writing and written as it is; it is never replaced.
//   Opening a FIFO waits for a reader.
// - Otherwise (a regular file, or no file yet) the content goes to a new
//   temporary file in the target's own folder, which is flushed to disk
//   (fsync) and renamed over the target, so the target is either the old or
//   the new file, never a half-written one. An existing target's permission
//   bits are kept, and so are its owner and group when the process runs as
//   root; a new file gets 0666 less the umask.
//
// On failure removes any temporary file and fails with what failed and why,
// for example "cannot create a temporary file in /etc: Permission denied"; the
// reason does not repeat path, which callers put in front of it in their own
// words.
util::Status WriteFileSafely(const std::string& path, std::string_view content);

// The descriptor that path names when it is one of the forms above
// ("/dev/stdout" 1, "/dev/stderr" 2, "/dev/fd/N" and "/proc/self/fd/N" N);
// -1 for any other path. Only the text is looked at.
int DescriptorNamedBy(const std::string& path);

} // namespace veralith::platform
