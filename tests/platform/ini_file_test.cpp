#include "platform/ini_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using veralith::platform::IniFile;
using veralith::platform::IniFileError;
using veralith::platform::ParseProfileInt;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ini-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = (m_dir / "test.ini").string();
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    void WriteRaw(const std::string& text) const { std::ofstream(m_path, std::ios::binary) << text; }
    std::string ReadRaw() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(IniFileTest, ReadStrippsOnePairOfMatchingQuotes)
{
    WriteRaw("[S]\n"
             "Double=\"  padded  \"\n"
             "Single='x'\n"
             "Nested=\"\"x\"\"\n"
             "Mixed=\"x'\n"
             "Lone=\"\n"
             "Plain=  text with blanks  \n");
    const IniFile ini(m_path);
    EXPECT_EQ(ini.ReadString("S", "Double", "?"), "  padded  ");
    EXPECT_EQ(ini.ReadString("S", "Single", "?"), "x");
    EXPECT_EQ(ini.ReadString("S", "Nested", "?"), "\"x\"");
    EXPECT_EQ(ini.ReadString("S", "Mixed", "?"), "\"x'");
    EXPECT_EQ(ini.ReadString("S", "Lone", "?"), "\"");
    EXPECT_EQ(ini.ReadString("S", "Plain", "?"), "text with blanks");
    EXPECT_EQ(ini.ReadString("S", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nope", "Plain", "dflt"), "dflt");
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreAsciiCase)
{
    IniFile ini(m_path);
    ini.WriteString("Settings", "MainForm.Top", "10");
    EXPECT_EQ(ini.ReadString("SETTINGS", "mainform.top", ""), "10");
    ini.WriteString("sEttings", "MAINFORM.TOP", "20");
    EXPECT_EQ(ReadRaw(), "[Settings]\nMainForm.Top=20\n");
    EXPECT_TRUE(ini.SectionExists("settings"));
    EXPECT_TRUE(ini.ValueExists("settings", "mainform.TOP"));
}

TEST(ParseProfileInt, AcceptsDecimalAndHexadecimal)
{
    struct Row
    {
        const char* text;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"-7", true, -7},
        {"+7", true, 7},
        {" 12 ", true, 12},
        {"0x1F", true, 31},
        {"0XfF", true, 255},
        {"$10", true, 16},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"$123456789", false, 0},
        {"", false, 0},
        {"0x", false, 0},
        {"$", false, 0},
        {"12abc", false, 0},
        {"1 2", false, 0},
        {"abc", false, 0},
        {"-", false, 0},
    };
    for (const Row& row : rows) {
        int value = 12345;
        EXPECT_EQ(ParseProfileInt(row.text, value), row.ok) << row.text;
        EXPECT_EQ(value, row.ok ? row.value : 12345) << row.text;
    }
}

TEST_F(IniFileTest, ReadIntegerAndBoolUseDefaultForNonNumbers)
{
    WriteRaw("[S]\nHex=0x10\nDollar=$A\nBad=ten\nQuoted=\"5\"\nZero=0\nTwo=2\n");
    const IniFile ini(m_path);
    EXPECT_EQ(ini.ReadInteger("S", "Hex", -1), 16);
    EXPECT_EQ(ini.ReadInteger("S", "Dollar", -1), 10);
    EXPECT_EQ(ini.ReadInteger("S", "Bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("S", "Quoted", -1), 5);
    EXPECT_EQ(ini.ReadInteger("S", "Missing", 77), 77);
    EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "Two", false));
    EXPECT_TRUE(ini.ReadBool("S", "Bad", true));
    EXPECT_FALSE(ini.ReadBool("S", "Bad", false));
}

TEST_F(IniFileTest, DeleteKeyAndEraseSectionKeepTheRestInOrder)
{
    WriteRaw("; comment kept\n[A]\na1=1\na2=2\n\n[B]\nb1=1\n[C]\nc1=1\n");
    IniFile ini(m_path);
    ini.DeleteKey("a", "A1");
    EXPECT_EQ(ReadRaw(), "; comment kept\n[A]\na2=2\n\n[B]\nb1=1\n[C]\nc1=1\n");
    ini.EraseSection("b");
    EXPECT_EQ(ReadRaw(), "; comment kept\n[A]\na2=2\n\n[C]\nc1=1\n");
    // The last key of a section takes the header with it.
    ini.DeleteKey("C", "c1");
    EXPECT_EQ(ReadRaw(), "; comment kept\n[A]\na2=2\n\n");
    // Absent keys and sections change nothing and raise nothing.
    ini.DeleteKey("A", "none");
    ini.DeleteKey("none", "a2");
    ini.EraseSection("none");
    EXPECT_EQ(ReadRaw(), "; comment kept\n[A]\na2=2\n\n");
    EXPECT_EQ(IniFile(m_path).ReadSection("A"), std::vector<std::string> {"a2"});
}

TEST_F(IniFileTest, WritesKeepFileOrderAndAppendToTheirSection)
{
    IniFile ini(m_path);
    ini.WriteString("S", "z", "1");
    ini.WriteString("T", "a", "2");
    ini.WriteString("S", "b", "3");
    ini.WriteString("S", "z", "4");
    EXPECT_EQ(ReadRaw(), "[S]\nz=4\nb=3\n[T]\na=2\n");
    const IniFile again(m_path);
    EXPECT_EQ(again.ReadSections(), (std::vector<std::string> {"S", "T"}));
    EXPECT_EQ(again.ReadSection("S"), (std::vector<std::string> {"z", "b"}));
    const auto values = again.ReadSectionValues("s");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].key, "b");
    EXPECT_EQ(values[1].value, "3");
    EXPECT_TRUE(values[1].hasEquals);
}

TEST_F(IniFileTest, FileDamagedByHandStillReads)
{
    WriteRaw("garbage before any section\r\n"
             "=no key\r\n"
             "[Broken\r\n"
             "k=v\r\n"
             "[Good]   \r\n"
             "  spaced key  =  spaced value  \r\n"
             "no equals sign\r\n"
             "empty=\r\n"
             "a=b=c\r\n"
             "# hash comment\r\n"
             "[Good]\r\n"
             "dup=second section is ignored\r\n"
             "last=no newline");
    IniFile ini(m_path);
    EXPECT_EQ(ini.ReadString("Broken", "k", "?"), "v");
    EXPECT_EQ(ini.ReadString("Good", "spaced key", "?"), "spaced value");
    EXPECT_EQ(ini.ReadString("Good", "a", "?"), "b=c");
    EXPECT_EQ(ini.ReadString("Good", "empty", "?"), "");
    EXPECT_EQ(ini.ReadString("Good", "dup", "?"), "?");
    EXPECT_EQ(ini.ReadSection("Good"), (std::vector<std::string> {"spaced key", "no equals sign", "empty", "a"}));
    EXPECT_FALSE(ini.ReadSectionValues("Good")[1].hasEquals);
    // A change rewrites the file with its damaged lines kept as they were.
    ini.WriteString("Good", "new", "1");
    const std::string text = ReadRaw();
    EXPECT_NE(text.find("garbage before any section\n=no key\n[Broken\n"), std::string::npos) << text;
    EXPECT_NE(text.find("a=b=c\nnew=1\n# hash comment\n"), std::string::npos) << text;
    EXPECT_NE(text.find("last=no newline\n"), std::string::npos) << text;
}

TEST_F(IniFileTest, ValuesReadTheSameAfterARewriteWhateverTheLineBreaks)
{
    // Line ends as editors and transfers leave them: CR LF, CR CR LF, a CR
    // inside a line, no line end at all.
    WriteRaw("[S]\r\n"
             "crlf=1\r\n"
             "doubled=2\r\r\n"
             "tripled=3\r\r\r\n"
             "inner=a\rb\n"
             "last=4\r");
    IniFile ini(m_path);
    const std::vector<std::pair<std::string, std::string>> expected {
        {"crlf", "1"}, {"doubled", "2"}, {"tripled", "3"}, {"inner", "a\rb"}, {"last", "4"}};
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(ini.ReadString("S", key, "?"), value) << key;
    }
    ini.WriteString("T", "new", "5");
    const IniFile reread(m_path);
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(reread.ReadString("S", key, "?"), value) << key;
    }
    EXPECT_EQ(reread.ReadInteger("S", "doubled", 0), 2);
}

TEST_F(IniFileTest, ByteOrderMarkDoesNotHideTheFirstSection)
{
    WriteRaw("\xEF\xBB\xBF[Settings]\nA=1\n");
    IniFile ini(m_path);
    EXPECT_EQ(ini.ReadString("Settings", "A", ""), "1");
    ini.WriteString("Settings", "B", "2");
    EXPECT_EQ(ReadRaw(), "[Settings]\nA=1\nB=2\n");
}

TEST_F(IniFileTest, RepeatedByteOrderMarksAreDroppedAlikeSoARewriteReadsBackTheSame)
{
    WriteRaw("\xEF\xBB\xBF\xEF\xBB\xBF[Settings]\nA=1\n");
    IniFile ini(m_path);
    EXPECT_EQ(ini.ReadString("Settings", "A", ""), "1");
    ini.WriteString("Fuzz", "Key", "value");
    EXPECT_EQ(ReadRaw(), "[Settings]\nA=1\n[Fuzz]\nKey=value\n");
    EXPECT_TRUE(IniFile(m_path).ValueExists("Fuzz", "Key"));
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFormat)
{
    IniFile ini(m_path);
    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), IniFileError);
    EXPECT_THROW(ini.WriteString("S", "[k]", "1"), IniFileError);
    EXPECT_THROW(ini.WriteString("S", "", "1"), IniFileError);
    EXPECT_THROW(ini.WriteString("S]", "k", "1"), IniFileError);
    EXPECT_THROW(ini.WriteString("S", "k", "line\nbreak"), IniFileError);
    EXPECT_THROW(ini.WriteString("S", "k", std::string("nul\0x", 5)), IniFileError);
    EXPECT_FALSE(fs::exists(m_path));
}

TEST_F(IniFileTest, ReadOnlyDirectoryRaisesAndLeavesFileIntact)
{
    WriteRaw("[S]\nk=old\n");
    IniFile ini(m_path);
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    // Root ignores directory permissions: act as an ordinary user for the writes.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(m_dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(seteuid(65534), 0);
    }
    try {
        ini.WriteString("S", "k", "new");
        ADD_FAILURE() << "write into a read-only directory did not raise";
    } catch (const IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find(m_path), std::string::npos) << e.what();
    }
    EXPECT_THROW(ini.EraseSection("S"), IniFileError);
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_EQ(ini.ReadString("S", "k", ""), "old");
    EXPECT_EQ(ReadRaw(), "[S]\nk=old\n");
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1) << "temporary file left";
}

TEST_F(IniFileTest, BareNameGoesToSystemDirectory)
{
    ASSERT_EQ(setenv("VERALITH_SYSTEM_DIR", (m_dir.string() + "/").c_str(), 1), 0);
    IniFile ini("bare.ini");
    EXPECT_EQ(ini.Path(), (m_dir / "bare.ini").string());
    ini.WriteInteger("S", "n", -5);
    EXPECT_EQ(IniFile((m_dir / "bare.ini").string()).ReadInteger("S", "n", 0), -5);
    unsetenv("VERALITH_SYSTEM_DIR");
    EXPECT_EQ(veralith::platform::ResolveProfilePath("x.ini"), "/etc/x.ini");
    EXPECT_EQ(veralith::platform::ResolveProfilePath("./x.ini"), "./x.ini");
}

TEST_F(IniFileTest, RewriteKeepsPermissionsAndUnchangedWriteDoesNotTouchDisk)
{
    WriteRaw("[S]\nk=v\n");
    ASSERT_EQ(chmod(m_path.c_str(), 0600), 0);
    IniFile ini(m_path);
    ini.WriteString("S", "k", "w");
    struct stat st
    {
    };
    ASSERT_EQ(stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const ino_t inode = st.st_ino;
    ini.WriteString("S", "k", "w");
    ASSERT_EQ(stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, inode) << "an unchanged value rewrote the file";
}

} // namespace
