#include "util/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace veralith::util;

TEST(PathTest, WithTrailingBackslash)
{
    EXPECT_EQ(WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingBackslash("C:/x/"), "C:/x/");
    EXPECT_EQ(WithTrailingBackslash("/home/u/.config"), "/home/u/.config/");
    EXPECT_EQ(WithTrailingBackslash(""), "/");
}

TEST(PathTest, ChangeExtension)
{
    struct Row
    {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Row rows[] = {
        {"C:\\a.b\\prog.exe", "ini", "C:\\a.b\\prog.ini"},
        {"C:\\a.b\\prog", "txt", "C:\\a.b\\prog.txt"},
        {"prog.exe", "", "prog"},
        {"prog.exe", ".txt", "prog.txt"},
        {"/opt/a.b/veralith", "txt", "/opt/a.b/veralith.txt"},
        {"/opt/a.b/veralith.bin", "ini", "/opt/a.b/veralith.ini"},
        {"C:prog", "ini", "C:prog.ini"},
        {"x.tar.gz", "zip", "x.tar.zip"},
        {"", "txt", ".txt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ChangeExtension(row.path, row.extension), row.expected) << row.path << " + " << row.extension;
    }
}

TEST(PathTest, ExeFileWithExtensionSitsBesideTheTestProgram)
{
    const std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(access(exe.c_str(), X_OK), 0) << exe;
    const std::string txt = ExeFileWithExtension("txt");
    EXPECT_EQ(txt, exe + ".txt"); // the test program has no extension
}
