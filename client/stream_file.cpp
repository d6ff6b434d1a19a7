#include "client/stream_file.h"

#include <sys/mman.h>
#include <unistd.h>

namespace veralith::client {

DirResult OpenContentAsStream(std::string_view content, int* fd)
{
    const int file = memfd_create("veralith-stream", MFD_CLOEXEC);
    if (file < 0) {
        return ERR_SYSTEM_FAILURE;
    }
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = write(file, content.data() + written, content.size() - written);
        if (n <= 0) {
            close(file);
            return ERR_SYSTEM_FAILURE;
        }
        written += static_cast<std::size_t>(n);
    }
    if (lseek(file, 0, SEEK_SET) != 0) {
        close(file);
        return ERR_SYSTEM_FAILURE;
    }
    *fd = file;
    return 0;
}

} // namespace veralith::client
