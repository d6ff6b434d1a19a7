// The one file writer: regular files replaced atomically with their mode (and,
// as root, owner) kept, links written through, devices, FIFOs, sockets and
// descriptors never replaced. Everything happens in a temporary folder.

#include "platform/safe_file.h"
#include "tests/platform/fifo_reader.h"
#include "tests/support/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace veralith::platform {
namespace {

namespace fs = std::filesystem;

// Whether a write succeeded; reason becomes its failure's reason, "" after a
// success.
bool Written(const util::Status& status, std::string& reason)
{
    reason = status.Reason();
    return status.IsOk();
}

struct stat Lstat(const fs::path& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path << ": " << std::strerror(errno);
    return info;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

class SafeFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/veralith-safe-file-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }

    // The names in the folder, sorted: shows a temporary file left behind.
    std::vector<std::string> Names(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

TEST_F(SafeFileTest, RegularFilesAreReplacedWholeAndKeepTheirMode)
{
    struct Case
    {
        const char* name;
        const char* before; // nullptr: no file yet
        mode_t mode; // of the existing file
        const char* content;
    };
    const Case cases[] = {
        {"new file", nullptr, 0, "fresh\n"},
        {"private file", "old contents that are longer", 0600, "short"},
        {"read-only for others", "x", 0640, "y\ny\n"},
        {"empty content", "something", 0644, ""},
        {"named -", "dash", 0600, "not standard output"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = m_dir / (std::string(c.name) == "named -" ? "-" : std::string(c.name) + ".txt");
        ino_t inodeBefore = 0;
        if (c.before != nullptr) {
            ASSERT_TRUE(test_support::WriteWholeFile(file, c.before));
            ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
            inodeBefore = Lstat(file).st_ino;
        }
        std::string reason;
        ASSERT_TRUE(Written(WriteFileSafely(file.string(), c.content), reason)) << reason;
        EXPECT_EQ(test_support::ReadWholeFile(file), c.content);
        const struct stat after = Lstat(file);
        EXPECT_TRUE(S_ISREG(after.st_mode));
        EXPECT_EQ(after.st_mode & 07777, c.before != nullptr ? c.mode : NewFileMode());
        if (c.before != nullptr) {
            EXPECT_NE(after.st_ino, inodeBefore) << "written in place instead of replaced";
        }
        fs::remove(file);
        EXPECT_TRUE(Names(m_dir).empty()) << "a temporary file was left";
    }
}

TEST_F(SafeFileTest, LinksAreWrittenThroughAndStayLinks)
{
    const fs::path other = m_dir / "other";
    fs::create_directory(other);
    ASSERT_TRUE(test_support::WriteWholeFile(other / "real.txt", "old"));
    ASSERT_EQ(::chmod((other / "real.txt").c_str(), 0600), 0);

    struct Case
    {
        const char* link;
        const char* points; // what the link holds
        const char* written; // the file that gets the content, relative to dir_
    };
    const Case cases[] = {
        {"relative", "other/real.txt", "other/real.txt"},
        {"absolute", nullptr, "other/real.txt"}, // nullptr: the absolute path of other/real.txt
        {"chain", "relative", "other/real.txt"}, {"dangling", "other/new.txt", "other/new.txt"},
        {"other/inner", "real.txt", "other/real.txt"}, // relative to the link's own folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const fs::path link = m_dir / c.link;
        fs::create_symlink(c.points != nullptr ? fs::path(c.points) : other / "real.txt", link);
        const std::string content = std::string("through ") + c.link;
        std::string reason;
        ASSERT_TRUE(Written(WriteFileSafely(link.string(), content), reason)) << reason;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(test_support::ReadWholeFile(m_dir / c.written), content);
    }
    EXPECT_EQ(Lstat(other / "real.txt").st_mode & 07777, 0600u);
    EXPECT_EQ(Lstat(other / "new.txt").st_mode & 07777, NewFileMode());
    EXPECT_EQ(Names(m_dir), (std::vector<std::string> {"absolute", "chain", "dangling", "other", "relative"}));
    EXPECT_EQ(Names(other), (std::vector<std::string> {"inner", "new.txt", "real.txt"}));
}

TEST_F(SafeFileTest, TargetsThatAreNoRegularFileAreWrittenInPlace)
{
    // A FIFO: the content arrives at its reader and the FIFO stays.
    const fs::path fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testing::FifoReader reader(fifo.string());
    ASSERT_TRUE(reader.Opened());
    std::string reason;
    EXPECT_TRUE(Written(WriteFileSafely(fifo.string(), "to the reader\n"), reason)) << reason;
    EXPECT_EQ(reader.Finish(), "to the reader\n");
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));

    // A link to a device: written through, both stay what they are.
    const fs::path toNull = m_dir / "null";
    fs::create_symlink("/dev/null", toNull);
    EXPECT_TRUE(Written(WriteFileSafely(toNull.string(), "discarded"), reason)) << reason;
    EXPECT_TRUE(fs::is_symlink(toNull));
    EXPECT_TRUE(S_ISCHR(Lstat("/dev/null").st_mode));

    // A device that refuses the write: the cause, and the device stays.
    reason.clear();
    EXPECT_FALSE(Written(WriteFileSafely("/dev/full", "x"), reason));
    EXPECT_EQ(reason, std::string("cannot write: ") + std::strerror(ENOSPC));
    EXPECT_TRUE(S_ISCHR(Lstat("/dev/full").st_mode));

    // A socket cannot be opened: the cause, and the socket stays.
    const fs::path socketPath = m_dir / "socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(Written(WriteFileSafely(socketPath.string(), "x"), reason));
    EXPECT_EQ(reason, std::string("cannot open: ") + std::strerror(ENXIO));
    EXPECT_TRUE(S_ISSOCK(Lstat(socketPath).st_mode));
    ::close(sock);
    EXPECT_EQ(Names(m_dir), (std::vector<std::string> {"fifo", "null", "socket"}));
}

TEST_F(SafeFileTest, DescriptorPathsWriteThroughTheOpenDescriptor)
{
    struct Case
    {
        std::string path;
        int fd;
    };
    const Case names[] = {
        {"/dev/stdin", 0},
        {"/dev/stdout", 1},
        {"/dev/stderr", 2},
        {"/dev/fd/7", 7},
        {"/proc/self/fd/12", 12},
        {"/dev/fd/", -1},
        {"/dev/fd/1x", -1},
        {"/dev/fd/-1", -1},
        {"/dev/stdout2", -1},
        {"/proc/1/fd/1", -1},
        {"dev/stdout", -1},
    };
    for (const Case& c : names) {
        EXPECT_EQ(DescriptorNamedBy(c.path), c.fd) << c.path;
    }

    // Through a pipe, reached directly and through a link: the data goes down
    // the pipe in order and the pipe stays open.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const std::string byFd = "/dev/fd/" + std::to_string(pipeEnds[1]);
    const fs::path link = m_dir / "out";
    fs::create_symlink("/proc/self/fd/" + std::to_string(pipeEnds[1]), link);
    std::string reason;
    EXPECT_TRUE(Written(WriteFileSafely(byFd, "one "), reason)) << reason;
    EXPECT_TRUE(Written(WriteFileSafely(link.string(), "two"), reason)) << reason;
    ::close(pipeEnds[1]);
    std::string received;
    char buffer[64];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    EXPECT_EQ(received, "one two");
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(SafeFileTest, FailuresNameTheCauseAndLeaveTheOldFile)
{
    const fs::path folder = m_dir / "folder";
    fs::create_directory(folder);
    fs::create_symlink("loop-b", m_dir / "loop-a");
    fs::create_symlink("loop-a", m_dir / "loop-b");
    struct Case
    {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {folder.string(), std::string("cannot write: ") + std::strerror(EISDIR)},
        {(m_dir / "missing" / "file.txt").string(),
            "cannot create a temporary file in " + (m_dir / "missing").string() + ": " + std::strerror(ENOENT)},
        {(m_dir / "loop-a").string(),
            "cannot follow the link " + (m_dir / "loop-a").string() + ": " + std::strerror(ELOOP)},
        {"", std::string("cannot write a file without a name: ") + std::strerror(ENOENT)},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_FALSE(Written(WriteFileSafely(c.path, "x"), reason)) << c.path;
        EXPECT_EQ(reason, c.reason);
    }
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(Names(m_dir), (std::vector<std::string> {"folder", "loop-a", "loop-b"}));
}

TEST_F(SafeFileTest, AFolderThatRefusesTheTemporaryFileLeavesTheFileAsItWas)
{
    const fs::path file = m_dir / "kept.txt";
    ASSERT_TRUE(test_support::WriteWholeFile(file, "old"));
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    // Root ignores folder permissions: the write runs as an ordinary user then.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(m_dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::seteuid(65534), 0);
    }
    std::string reason;
    EXPECT_FALSE(Written(WriteFileSafely(file.string(), "new"), reason));
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_EQ(reason, "cannot create a temporary file in " + m_dir.string() + ": " + std::strerror(EACCES));
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(test_support::ReadWholeFile(file), "old");
    EXPECT_EQ(Names(m_dir), (std::vector<std::string> {"kept.txt"}));
}

TEST_F(SafeFileTest, AsRootTheReplacedFileKeepsItsOwnerAndGroup)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file another owner; run as root to check it";
    }
    const fs::path file = m_dir / "owned.txt";
    ASSERT_TRUE(test_support::WriteWholeFile(file, "old"));
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    std::string reason;
    ASSERT_TRUE(Written(WriteFileSafely(file.string(), "new"), reason)) << reason;
    const struct stat after = Lstat(file);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(after.st_gid, 65534u);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(test_support::ReadWholeFile(file), "new");
}

} // namespace
} // namespace veralith::platform
