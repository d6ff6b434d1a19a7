#include "util/memo.h"
#include "util/path.h"
#include "util/string_list.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace veralith::util;

TEST(StringListTest, SetTextSplitsAtEveryLineBreakKind)
{
    struct Row
    {
        std::string text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\n\r", {"a", ""}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Row& row : rows) {
        StringList list;
        list.Add("old", 1);
        list.SetText(row.text);
        EXPECT_EQ(list.Texts(), row.lines);
        for (const StringListEntry& entry : list) {
            EXPECT_EQ(entry.value, 0);
        }
    }
}

TEST(StringListTest, TextEndsEveryEntryWithCrLf)
{
    StringList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("CN", 7);
    list.Add("", 0);
    list.Add("OU", -1);
    EXPECT_EQ(list.Text(), "CN\r\n\r\nOU\r\n");
    EXPECT_EQ(list.ValueAt(0), 7);
    EXPECT_EQ(list.ValueAt(2), -1);
    EXPECT_EQ(list.IndexOf("ou", false), 2);
    EXPECT_EQ(list.IndexOf("ou", true), -1);
    EXPECT_THROW(list.At(3), std::out_of_range);
    StringList copy;
    copy.SetText(list.Text());
    EXPECT_EQ(copy.Texts(), list.Texts());
}

namespace {

class RecordingMemo : public MemoLines
{
public:
    void AppendLine(const std::string& line) override { lines.push_back(line); }
    void ReplaceAllLines(const std::vector<std::string>& replacement) override { lines = replacement; }
    std::vector<std::string> lines;
};

class MemoLoadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_directory = std::filesystem::temp_directory_path() /
            ("veralith memo " + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_directory);
    }
    void TearDown() override { std::filesystem::remove_all(m_directory); }

    std::string Write(const std::string& name, const std::string& content)
    {
        const std::filesystem::path path = m_directory / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path m_directory;
};

} // namespace

TEST_F(MemoLoadTest, MissingFileLeavesTheCouldNotFindLineUnquoted)
{
    RecordingMemo memo;
    const std::string missing = (m_directory / "no such file.txt").string();
    LoadTextIntoMemo(memo, missing);
    EXPECT_EQ(memo.lines, (std::vector<std::string> {"Could not find " + missing}));
}

TEST_F(MemoLoadTest, FileReplacesEveryLine)
{
    RecordingMemo memo;
    LoadTextIntoMemo(memo, Write("three.txt", "one\r\ntwo\nthree\r"));
    EXPECT_EQ(memo.lines, (std::vector<std::string> {"one", "two", "three"}));
}

TEST_F(MemoLoadTest, EmptyFileGivesAnEmptyMemo)
{
    RecordingMemo memo;
    LoadTextIntoMemo(memo, Write("empty.txt", ""));
    EXPECT_TRUE(memo.lines.empty());
}

TEST_F(MemoLoadTest, DirectoryKeepsTheLine)
{
    RecordingMemo memo;
    LoadTextIntoMemo(memo, m_directory.string());
    EXPECT_EQ(memo.lines, (std::vector<std::string> {"Could not find " + m_directory.string()}));
}

TEST_F(MemoLoadTest, UnreadableFileKeepsTheLine)
{
    const std::string locked = Write("locked.txt", "secret\n");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    std::ifstream probe(locked);
    if (probe.is_open()) {
        GTEST_SKIP() << "running with rights that read any file";
    }
    RecordingMemo second;
    LoadTextIntoMemo(second, locked);
    EXPECT_EQ(second.lines, (std::vector<std::string> {"Could not find " + locked}));
}

TEST_F(MemoLoadTest, QuickStartTextIsTheExecutablesTxtFile)
{
    RecordingMemo memo;
    LoadQuickStartText(memo);
    ASSERT_FALSE(memo.lines.empty());
    // The test program has no quick-start file beside it.
    EXPECT_EQ(memo.lines, (std::vector<std::string> {"Could not find " + ExeFileWithExtension("txt")}));
}
