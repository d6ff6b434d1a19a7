// find --output through the executable: "-" is standard output, and files that
// are no regular file, links and private files come out of a run unharmed.

#include "tests/app/cli_process.h"
#include "tests/app/run_tree.h"
#include "tests/platform/fifo_reader.h"
#include "tests/support/files.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veralith::app {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const Args kFind {"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--format", "csv"};

// veralith-cli find ... --output OUTPUT, started in folder.
ProcessResult FindTo(const fs::path& folder, const std::string& output)
{
    Args args {"-c", "cd \"$1\" && shift && exec \"$@\"", "sh", folder.string(), VERALITH_CLI_PATH, "--tree-file",
        TestDataPath("run-tree.json")};
    args.insert(args.end(), kFind.begin(), kFind.end());
    args.insert(args.end(), {"--output", output});
    return RunProcess("/bin/sh", args);
}

class CliOutputFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/veralith-cli-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        Args args {"--tree-file", TestDataPath("run-tree.json")};
        args.insert(args.end(), kFind.begin(), kFind.end());
        const ProcessResult plain = RunProcess(VERALITH_CLI_PATH, args);
        ASSERT_EQ(plain.status, 1) << plain.err;
        m_expected = plain.out;
        ASSERT_FALSE(m_expected.empty());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
    std::string m_expected; // the result as standard output gets it without --output
};

TEST_F(CliOutputFile, DashAndDescriptorNamesWriteToStandardOutputWithoutCreatingAFile)
{
    for (const std::string output : {"-", "/dev/stdout", "/dev/fd/1"}) {
        SCOPED_TRACE(output);
        const ProcessResult result = FindTo(m_dir, output);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, m_expected);
        EXPECT_TRUE(fs::is_empty(m_dir));
        EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    }
}

TEST_F(CliOutputFile, LinkedAndPrivateFilesAreReplacedThroughTheLinkKeepingTheirMode)
{
    fs::create_directory(m_dir / "data");
    std::ofstream(m_dir / "data" / "audit.csv") << "old audit data, longer than the new\n";
    ASSERT_EQ(chmod((m_dir / "data" / "audit.csv").c_str(), 0600), 0);
    fs::create_symlink("data/audit.csv", m_dir / "latest.csv");

    for (const std::string output : {"latest.csv", "data/audit.csv"}) {
        SCOPED_TRACE(output);
        const ProcessResult result = FindTo(m_dir, output);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(fs::is_symlink(m_dir / "latest.csv"));
        EXPECT_EQ(test_support::ReadWholeFile(m_dir / "data" / "audit.csv"), m_expected);
        struct stat info
        {
        };
        ASSERT_EQ(stat((m_dir / "data" / "audit.csv").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "data"), {}), 1) << "a temporary file was left";
    }
}

TEST_F(CliOutputFile, AFifoIsWrittenToItsReaderAndADeviceIsNeverReplaced)
{
    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    testing::FifoReader reader(fifo.string());
    ASSERT_TRUE(reader.Opened());
    const ProcessResult toFifo = FindTo(m_dir, fifo.string());
    EXPECT_EQ(toFifo.status, 1) << toFifo.err;
    EXPECT_EQ(reader.Finish(), m_expected);
    struct stat info
    {
    };
    ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    const ProcessResult toFull = FindTo(m_dir, "/dev/full");
    EXPECT_EQ(toFull.status, 2);
    EXPECT_EQ(toFull.err, "veralith-cli: find: --output: /dev/full: cannot write: No space left on device\n");
    ASSERT_EQ(lstat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

} // namespace
} // namespace veralith::app
