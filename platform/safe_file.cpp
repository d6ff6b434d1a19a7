#include "platform/safe_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veralith::platform {

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

// "<what>: <the system's text for code>".
util::Status Because(const std::string& what, int code)
{
    return util::Status::Failure(what + ": " + std::strerror(code));
}

// Closes the descriptor when it goes out of scope, unless released.
class ScopedFd
{
public:
    explicit ScopedFd(int fd)
        : m_fd(fd)
    { }
    ~ScopedFd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    int get() const { return m_fd; }
    // Closes now; the result of close(2).
    int CloseNow()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd);
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view content, int& code)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            code = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParseDescriptor(const std::string& digits, int& fd)
{
    if (digits.empty() || digits.size() > 9) {
        return false;
    }
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    fd = value;
    return true;
}

// What a path leads to once its links are followed.
struct Target
{
    std::string path; // the last link's target (path itself when it is no link)
    int descriptor = -1; // an open descriptor of the process the path names, or -1
    bool exists = false;
    struct stat info
    {
    };
};

util::Status FollowLinks(const std::string& path, Target& target)
{
    target.path = path;
    for (int hops = 0;; ++hops) {
        target.descriptor = DescriptorNamedBy(target.path);
        if (target.descriptor >= 0) {
            return {};
        }
        if (::lstat(target.path.c_str(), &target.info) != 0) {
            if (errno == ENOENT) {
                return {}; // a new file (also the target of a dangling link)
            }
            return Because("cannot look at " + target.path, errno);
        }
        if (!S_ISLNK(target.info.st_mode)) {
            target.exists = true;
            return {};
        }
        if (hops == kMaxLinkHops) {
            return Because("cannot follow the link " + path, ELOOP);
        }
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(target.path.c_str(), buffer, sizeof buffer);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
            return Because("cannot read the link " + target.path, n < 0 ? errno : ENAMETOOLONG);
        }
        std::string next(buffer, static_cast<std::size_t>(n));
        if (next.empty()) {
            return Because("cannot follow the link " + target.path, ENOENT);
        }
        if (next.front() != '/') {
            next = FolderOf(target.path) + "/" + next;
        }
        target.path = std::move(next);
    }
}

// " <target>" when links led from path to another file, else "": reasons
// name the file written only where the caller's path does not.
std::string Through(const std::string& path, const Target& target)
{
    return target.path == path ? std::string() : " " + target.path;
}

util::Status WriteInPlace(const std::string& path, const Target& target, std::string_view content)
{
    ScopedFd fd(::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        return Because("cannot open" + Through(path, target), errno);
    }
    int code = 0;
    if (!WriteAll(fd.get(), content, code)) {
        return Because("cannot write" + Through(path, target), code);
    }
    if (fd.CloseNow() != 0) {
        return Because("cannot close" + Through(path, target), errno);
    }
    return {};
}

util::Status WriteThroughDescriptor(int descriptor, std::string_view content)
{
    int code = 0;
    if (!WriteAll(descriptor, content, code)) {
        return Because("cannot write to descriptor " + std::to_string(descriptor), code);
    }
    return {};
}

util::Status ReplaceRegularFile(const std::string& path, const Target& target, std::string_view content)
{
    const std::string folder = FolderOf(target.path);
    // Hidden beside the target; the name is cut so that the suffix always fits.
    std::string temporary = folder + "/." + BaseNameOf(target.path).substr(0, 200) + ".XXXXXX";
    ScopedFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return Because("cannot create a temporary file in " + folder, errno);
    }
    const auto fail = [&](const std::string& what, int code) {
        ::unlink(temporary.c_str());
        return Because(what, code);
    };

    mode_t mode = 0;
    if (target.exists) {
        // The owner first: changing it clears set-user and set-group bits.
        if (::geteuid() == 0 && ::fchown(fd.get(), target.info.st_uid, target.info.st_gid) != 0) {
            return fail("cannot give the new file the owner of the old one", errno);
        }
        mode = target.info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0) {
        return fail("cannot set the mode of the new file", errno);
    }
    int code = 0;
    if (!WriteAll(fd.get(), content, code)) {
        return fail("cannot write to " + temporary, code);
    }
    if (::fsync(fd.get()) != 0) {
        return fail("cannot flush " + temporary + " to disk", errno);
    }
    if (fd.CloseNow() != 0) {
        return fail("cannot close " + temporary, errno);
    }
    if (::rename(temporary.c_str(), target.path.c_str()) != 0) {
        return fail("cannot replace" + Through(path, target) + " by " + temporary, errno);
    }
    // The rename itself reaches the disk with the folder.
    ScopedFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return {};
}

} // namespace

int DescriptorNamedBy(const std::string& path)
{
    if (path == "/dev/stdin") {
        return 0;
    }
    if (path == "/dev/stdout") {
        return 1;
    }
    if (path == "/dev/stderr") {
        return 2;
    }
    int fd = -1;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::size_t length = std::strlen(prefix);
        if (path.compare(0, length, prefix) == 0 && ParseDescriptor(path.substr(length), fd)) {
            return fd;
        }
    }
    return -1;
}

util::Status WriteFileSafely(const std::string& path, std::string_view content)
{
    if (path.empty()) {
        return Because("cannot write a file without a name", ENOENT);
    }
    Target target;
    if (util::Status followed = FollowLinks(path, target); !followed) {
        return followed;
    }
    if (target.descriptor >= 0) {
        return WriteThroughDescriptor(target.descriptor, content);
    }
    if (target.exists && S_ISDIR(target.info.st_mode)) {
        return Because("cannot write" + Through(path, target), EISDIR);
    }
    if (target.exists && !S_ISREG(target.info.st_mode)) {
        return WriteInPlace(path, target, content);
    }
    return ReplaceRegularFile(path, target, content);
}

} // namespace veralith::platform
