#include "settings/combo_history.h"
#include "settings_fixture.h"

#include <QComboBox>

using namespace veralith::settings;

namespace {

QStringList Entries(const QComboBox& combo)
{
    QStringList result;
    for (int i = 0; i < combo.count(); ++i) {
        result << combo.itemText(i);
    }
    return result;
}

TEST(AddToHistory, The32ndDistinctTextDropsTheOldest)
{
    QComboBox combo;
    combo.setEditable(true);
    for (int i = 1; i <= 32; ++i) {
        combo.setEditText(QString("text %1").arg(i));
        AddToHistory(&combo);
        EXPECT_EQ(combo.currentText(), QString("text %1").arg(i));
    }
    ASSERT_EQ(combo.count(), 31);
    EXPECT_EQ(combo.itemText(0), "text 32");
    EXPECT_EQ(combo.itemText(30), "text 2");
    EXPECT_EQ(combo.findText("text 1"), -1);
}

TEST(AddToHistory, KnownTextInAnyCaseOrEmptyTextChangesNothing)
{
    QComboBox combo;
    combo.setEditable(true);
    combo.addItems({"Alpha", "Beta"});
    const QStringList before = Entries(combo);
    combo.setEditText("bETA");
    AddToHistory(&combo);
    EXPECT_EQ(Entries(combo), before);
    combo.setEditText("");
    AddToHistory(&combo);
    EXPECT_EQ(Entries(combo), before);
}

TEST_F(SettingsTest, HistoryOfFiveEntriesIsStoredQuotedAndLoadsInOrder)
{
    QComboBox combo;
    combo.setEditable(true);
    combo.addItems({"one", " two", "three", "four"});
    combo.setEditText("five ");
    {
        IniFile file(m_path);
        SaveComboHistory(file, "History Box", &combo);
    }
    EXPECT_EQ(ReadRaw(),
        "[History Box]\n"
        "Current=\"five \"\n"
        "Count=5\n"
        "0=\"five \"\n"
        "1=\"one\"\n"
        "2=\" two\"\n"
        "3=\"three\"\n"
        "4=\"four\"\n");

    QComboBox loaded;
    loaded.setEditable(true);
    LoadComboHistory(IniFile(m_path), "History Box", &loaded);
    EXPECT_EQ(Entries(loaded), (QStringList {"five ", "one", " two", "three", "four"}));
    EXPECT_EQ(loaded.currentText(), "five ");
}

TEST_F(SettingsTest, EmptyHistoryAndTextLeaveNoKeys)
{
    WriteRaw("[History Box]\nCurrent=\"old\"\nCount=1\n0=\"old\"\n[Settings]\nA=1\n");
    QComboBox combo;
    combo.setEditable(true);
    IniFile file(m_path);
    SaveComboHistory(file, "History Box", &combo);
    EXPECT_EQ(ReadRaw(), "[Settings]\nA=1\n");
}

TEST_F(SettingsTest, CountOutsideTheFormatReadsAsNoHistoryButRestoresTheText)
{
    for (const char* count : {"256", "-1", "99999999"}) {
        WriteRaw(std::string("[History Box]\nCurrent=\"kept\"\nCount=") + count + "\n0=\"entry\"\n");
        QComboBox combo;
        combo.setEditable(true);
        EXPECT_NO_THROW(LoadComboHistory(IniFile(m_path), "History Box", &combo)) << count;
        EXPECT_EQ(combo.count(), 0) << count;
        EXPECT_EQ(combo.currentText(), "kept") << count;
    }
}

TEST_F(SettingsTest, LoadSkipsEmptyAndDuplicateEntriesAndDefaultsTheCount)
{
    WriteRaw("[History Box]\n0=\"a\"\n1=\"\"\n2=\"A\"\n3=\"b\"\n40=\"beyond the default count\"\n");
    QComboBox combo;
    combo.setEditable(true);
    LoadComboWithDefault(IniFile(m_path), "History Box", "fallback", &combo);
    EXPECT_EQ(combo.currentText(), "fallback");
    EXPECT_EQ(Entries(combo), (QStringList {"fallback", "a", "b"}));
}

} // namespace
