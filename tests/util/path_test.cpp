#include "util/path.h"

#include <filesystem>
#include <fstream>
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

// A program's shipped files are found beside it (the build tree) before the
// installed data folder relative to it (a package unpacked anywhere).
TEST(PathTest, FindProgramFilePrefersBesideThenInstalledThenNamesBeside)
{
    const std::filesystem::path root = std::filesystem::path(testing::TempDir()) / "find-program-file";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "usr/bin");
    std::filesystem::create_directories(root / "usr/share/veralith/folder.txt");
    const std::string program = (root / "usr/bin/veralith").string();
    const auto write = [](const std::filesystem::path& path) { std::ofstream(path) << "text\n"; };
    write(root / "usr/share/veralith/installed.txt");
    write(root / "usr/share/veralith/both.txt");
    write(root / "usr/bin/both.txt");
    write(root / "usr/bin/beside.txt");

    struct Row
    {
        const char* name;
        const char* expected; // below root
    };
    const Row rows[] = {
        {"installed.txt", "usr/share/veralith/installed.txt"}, {"both.txt", "usr/bin/both.txt"},
        {"beside.txt", "usr/bin/beside.txt"}, {"missing.txt", "usr/bin/missing.txt"},
        {"folder.txt", "usr/bin/folder.txt"}, // a folder is not a file
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FindProgramFile(program, "../share/veralith", row.name), (root / row.expected).string()) << row.name;
    }
    EXPECT_EQ(FindProgramFile(program, "../share/veralith/", "installed.txt"),
        (root / "usr/share/veralith/installed.txt").string());
    EXPECT_EQ(FindProgramFile("veralith", "../share/veralith", "installed.txt"), "");
    EXPECT_EQ(FindProgramFile("", "../share/veralith", "installed.txt"), "");
    std::filesystem::remove_all(root);
}
