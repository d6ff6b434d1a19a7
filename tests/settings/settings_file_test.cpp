#include "settings/settings_file.h"
#include "settings_fixture.h"
#include "util/path.h"

#include <sys/stat.h>

using namespace veralith::settings;
namespace fs = std::filesystem;

namespace {

TEST(NormalizeKey, StripsBracketsOnlyFromKeysThatStartWithOne)
{
    const std::pair<const char*, const char*> rows[] = {
        {"[Root]", "Root"},
        {"[a]b[c]", "abc"},
        {"a[b]", "a[b]"},
        {"Plain", "Plain"},
        {"[]", ""},
        {"", ""},
    };
    for (const auto& [key, expected] : rows) {
        EXPECT_EQ(NormalizeKey(key), expected) << key;
    }
}

TEST_F(SettingsTest, WriteTextIfChangedWritesOnlyRealChanges)
{
    WriteRaw("[S]\nSame=abc\nQuoted=\"  padded\"\n");
    IniFile file(m_path);
    struct stat before
    {
    };
    ASSERT_EQ(stat(m_path.c_str(), &before), 0);
    WriteTextIfChanged(file, "S", "Same", "abc");
    WriteTextIfChanged(file, "S", "Quoted", "\"  padded\"");
    WriteTextIfChanged(file, "S", "Absent", "");
    WriteTextIfChanged(file, "S", "[]", "value for an empty key");
    struct stat after
    {
    };
    ASSERT_EQ(stat(m_path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "an unchanged value rewrote the file";

    WriteTextIfChanged(file, "S", "Same", "abd");
    WriteTextIfChanged(file, "S", "[Root]", "1");
    EXPECT_EQ(ReadRaw(), "[S]\nSame=abd\nQuoted=\"  padded\"\nRoot=1\n");
    EXPECT_EQ(ReadTextKey(file, "S", "[Root]", ""), "1");
}

TEST_F(SettingsTest, WriteIntIfChangedNeverWritesZeroForAnAbsentKeyButWritesItOverAValue)
{
    IniFile file(m_path);
    WriteIntIfChanged(file, "S", "Radio", 0);
    EXPECT_FALSE(fs::exists(m_path));
    WriteIntIfChanged(file, "S", "Radio", 2);
    WriteIntIfChanged(file, "S", "Radio", 0);
    EXPECT_EQ(ReadRaw(), "[S]\nRadio=0\n");
    EXPECT_EQ(ReadIntKey(file, "S", "Radio", 7), 0);
    EXPECT_EQ(ReadIntKey(file, "S", "Missing", 7), 7);
}

TEST_F(SettingsTest, WriteBoolIfChangedWritesFalseForAnAbsentKey)
{
    IniFile file(m_path);
    WriteBoolIfChanged(file, "S", "Check", false);
    EXPECT_EQ(ReadRaw(), "[S]\nCheck=0\n");
    WriteBoolIfChanged(file, "S", "Check", true);
    EXPECT_EQ(ReadRaw(), "[S]\nCheck=1\n");
    EXPECT_TRUE(ReadBoolKey(file, "S", "Check", false));
}

TEST_F(SettingsTest, StringsSectionKeepsEveryEntryAsItWas)
{
    WriteRaw("[L]\n0=stale\n9=stale\n");
    IniFile file(m_path);
    const std::vector<std::string> lines = {"first", "", "  indented", "\"quoted\"", "a=b", "trailing "};
    WriteStringsSection(file, "L", lines);
    EXPECT_EQ(ReadRaw(), "[L]\n0=first\n1=\n2=\"  indented\"\n3=\"\"quoted\"\"\n4=a=b\n5=\"trailing \"\n");
    std::vector<std::string> read = {"left over"};
    ReadStringsSection(IniFile(m_path), "L", read);
    EXPECT_EQ(read, lines);
}

TEST_F(SettingsTest, ReadStringsSectionTakesFileOrderAndWholeLinesWithoutEquals)
{
    WriteRaw("[L]\n5=five\nline without equals\n1=one\n[Other]\n0=x\n");
    std::vector<std::string> read;
    ReadStringsSection(IniFile(m_path), "l", read);
    EXPECT_EQ(read, (std::vector<std::string> {"five", "line without equals", "one"}));
    ReadStringsSection(IniFile(m_path), "Missing", read);
    EXPECT_TRUE(read.empty());
}

TEST_F(SettingsTest, ProbeSucceedsInAWritableDirectoryAndLeavesNoTrace)
{
    WriteRaw("[Settings]\nA=1\n");
    EXPECT_TRUE(ProbeIniWritable(m_path));
    EXPECT_EQ(ReadRaw(), "[Settings]\nA=1\n");
    EXPECT_FALSE(ProbeIniWritable((m_dir / "missing" / "x.ini").string()));
}

TEST_F(SettingsTest, SettingsFileNameIsTheBareNameWhenTheSystemDirectoryTakesIt)
{
    const std::string exe = veralith::util::ExeFileWithExtension("ini");
    const std::string bare = exe.substr(exe.find_last_of('/') + 1);
    EXPECT_EQ(SettingsFileName(), bare);
    EXPECT_TRUE(fs::exists(m_dir / "system" / bare));
    EXPECT_EQ(ReadRaw((m_dir / "system" / bare).string()), "");
}

TEST_F(SettingsTest, SettingsFileNameFallsBackToTheUserFolder)
{
    const std::string exe = veralith::util::ExeFileWithExtension("ini");
    const std::string bare = exe.substr(exe.find_last_of('/') + 1);
    setenv("VERALITH_SYSTEM_DIR", (m_dir / "no-such-dir").c_str(), 1);
    EXPECT_EQ(SettingsFileName(), (m_dir / "config" / bare).string());
    EXPECT_TRUE(fs::is_directory(m_dir / "config")) << "the per-user folder is created for the first save";
}

} // namespace
