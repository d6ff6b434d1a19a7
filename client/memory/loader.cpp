#include "client/memory/loader.h"

#include "client/memory/base_schema.h"
#include "client/memory/builtin_trees.h"
#include "client/memory/ldif_loader.h"
#include "client/memory/tree_loader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client::memory {

using detail::TreeLoader;

bool LoadTreeText(std::string_view text, const std::string& fileName, std::shared_ptr<MemoryDirectory>* directory,
    std::string* error, std::vector<std::string>* warnings)
{
    try {
        if (LooksLikeLdif(text)) {
            const char* schemaFile = std::getenv("VERALITH_LDIF_SCHEMA");
            return LoadLdifText(
                text, fileName, schemaFile == nullptr ? std::string() : schemaFile, directory, warnings, error);
        }
        TreeLoader loader(text, fileName);
        return loader.Load(directory, error);
    } catch (const std::bad_alloc&) {
        *error = fileName + ": not enough memory to load the file";
        return false;
    }
}

bool LoadTreeText(
    std::string_view text, const std::string& fileName, std::shared_ptr<DirectoryService>* service, std::string* error)
{
    std::shared_ptr<MemoryDirectory> directory;
    if (!LoadTreeText(text, fileName, &directory, error)) {
        return false;
    }
    *service = std::move(directory);
    return true;
}

namespace {

// Reads a stream that is not a regular file (standard input, a pipe, a
// FIFO) to its end, up to kMaxTreeFileBytes.
bool ReadStreamSource(int fd, const std::string& name, std::string* text, std::string* error)
{
    char chunk[65536];
    while (true) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = name + ": cannot read: " + std::strerror(errno);
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (text->size() + static_cast<std::size_t>(n) > kMaxTreeFileBytes) {
            *error = name + ": the input is larger than 1 GiB";
            return false;
        }
        text->append(chunk, static_cast<std::size_t>(n));
    }
}

// The buffer a file is read into: anonymous pages of its own mapping, asked
// for in huge pages where the system offers them, so that reading a file of
// hundreds of megabytes does not take a page fault every 4 KiB; unmapped at
// the end of the load.
class FileBuffer
{
public:
    explicit FileBuffer(std::size_t size)
        : m_size(size == 0 ? 1 : size)
    {
        void* at = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (at == MAP_FAILED) {
            m_size = 0;
            return;
        }
        m_data = static_cast<char*>(at);
#ifdef MADV_HUGEPAGE
        madvise(m_data, m_size, MADV_HUGEPAGE);
#endif
    }
    ~FileBuffer()
    {
        if (m_data != nullptr) {
            munmap(m_data, m_size);
        }
    }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    char* data() const
    {
        return m_data;
    }

private:
    char* m_data = nullptr;
    std::size_t m_size;
};

} // namespace

bool LoadTreeFile(const std::string& path, std::shared_ptr<MemoryDirectory>* directory, std::string* error,
    std::vector<std::string>* warnings)
{
    // "-" is standard input: read, never closed.
    if (path == "-") {
        std::string text;
        if (!ReadStreamSource(STDIN_FILENO, "standard input", &text, error)) {
            return false;
        }
        return LoadTreeText(text, "standard input", directory, error, warnings);
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = path + ": cannot open the file: " + std::strerror(errno);
        return false;
    }
    struct stat info
    {
    };
    if (fstat(fd, &info) != 0) {
        const int code = errno;
        close(fd);
        *error = path + ": cannot read the file: " + std::strerror(code);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        close(fd);
        *error = path + ": not a file but a directory";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        // /dev/stdin, a pipe or a FIFO: read to its end.
        std::string text;
        const bool read = ReadStreamSource(fd, path, &text, error);
        close(fd);
        return read && LoadTreeText(text, path, directory, error, warnings);
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxTreeFileBytes) {
        close(fd);
        *error = path + ": the file is larger than 1 GiB";
        return false;
    }
    // One read into a buffer of the file's size; a file that changes
    // meanwhile is read as far as it goes.
    const auto capacity = static_cast<std::size_t>(info.st_size);
    const FileBuffer text(capacity);
    if (text.data() == nullptr) {
        close(fd);
        *error = path + ": the file is too large to load";
        return false;
    }
    std::size_t done = 0;
    while (done < capacity) {
        const ssize_t n = read(fd, text.data() + done, capacity - done);
        if (n < 0) {
            const int code = errno;
            close(fd);
            *error = path + ": cannot read the file: " + std::strerror(code);
            return false;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    return LoadTreeText(std::string_view(text.data(), done), path, directory, error, warnings);
}

bool LoadTreeSource(const std::string& source, std::shared_ptr<DirectoryService>* service, std::string* error,
    std::vector<std::string>* warnings)
{
    constexpr std::string_view kBuiltin = "builtin:";
    if (source.compare(0, kBuiltin.size(), kBuiltin) == 0) {
        const std::string name = source.substr(kBuiltin.size());
        for (const BuiltinTree& tree : BuiltinTrees()) {
            if (tree.name == name) {
                return LoadTreeText(tree.text, std::string(tree.fileName), service, error);
            }
        }
        *error = source + ": no built-in tree of that name";
        return false;
    }
    std::shared_ptr<MemoryDirectory> directory;
    if (!LoadTreeFile(source, &directory, error, warnings)) {
        return false;
    }
    *service = std::move(directory);
    return true;
}

} // namespace veralith::client::memory
