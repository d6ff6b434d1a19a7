// The tree, container, class and attribute saved by one window take effect in
// the next as if the user had chosen them; what cannot be restored is named
// in the status bar and kept in the settings file.

#include "directory/directory.h"
#include "settings/settings_file.h"
#include "window_fixture.h"

#include <QFile>
#include <QLineEdit>

namespace veralith::app::testing {
namespace {

using Texts = std::vector<std::string>;

class WindowChoices : public WindowTest
{
protected:
    // The settings file the window uses, with these lines in [Settings].
    void WriteSettings(const std::vector<std::string>& lines)
    {
        const std::string name = settings::SettingsFileName();
        m_settingsPath = QString::fromStdString(platform::ResolveProfilePath(name));
        QFile file(m_settingsPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Settings]\n");
        for (const std::string& line : lines) {
            file.write((line + "\n").c_str());
        }
    }

    std::string Saved(const std::string& key) const
    {
        return platform::IniFile(m_settingsPath.toStdString()).ReadString(settings::kSettingsSection, key, "<none>");
    }

    // The tree both contexts work on, and the one the box shows.
    void ExpectWorkingTree(const std::string& tree)
    {
        EXPECT_EQ(m_form->ComboBoxTrees->Text(), tree);
        EXPECT_EQ(directory::ReadTreeName(m_form->NavigationContext()), tree);
        EXPECT_EQ(directory::ReadTreeName(m_form->SearchContext()), tree);
    }

    QString m_settingsPath;
};

const std::vector<std::string> kBetaChoices {"ComboBoxTrees=BETA_TREE", "EditCurrentContainer=.Mid",
    "ComboBoxClasses=Organizational Unit", "ComboBoxAttributes=Description"};

TEST_F(WindowChoices, SavedTreeContainerClassAndAttributeTakeEffect)
{
    WriteSettings(kBetaChoices);
    Start();
    ShowPage(m_form->TabSheetSelector);
    ExpectWorkingTree("BETA_TREE");
    EXPECT_EQ(m_form->CurrentContainer(), ".Mid");
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral(".Mid"));
    EXPECT_EQ(directory::ReadNameContext(m_form->NavigationContext()), "Mid");
    EXPECT_EQ(Entries(m_form->ListBoxContainers), (Texts {"[ .. ]", "Unit"}));
    EXPECT_EQ(m_form->ComboBoxClasses->Text(), "Organizational Unit");
    EXPECT_EQ(m_form->ComboBoxAttributes->Text(), "Description");
    EXPECT_EQ(m_form->StatusText(), "");

    // Closed again, the choices are saved as they are in effect.
    EXPECT_TRUE(m_form->close());
    EXPECT_EQ(Saved("ComboBoxTrees"), "BETA_TREE");
    EXPECT_EQ(Saved("EditCurrentContainer"), ".Mid");
    EXPECT_EQ(Saved("ComboBoxClasses"), "Organizational Unit");
    EXPECT_EQ(Saved("ComboBoxAttributes"), "Description");
}

TEST_F(WindowChoices, AMissingSavedItemFallsBackWithAMessageAndIsKept)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> settings;
        std::string tree, container, className, attribute; // in effect
        std::string status;
        std::string keptKey, keptValue; // saved again at close
    };
    const Case cases[] = {
        {"tree", {"ComboBoxTrees=GLOBEX_TREE", "EditCurrentContainer=.Mid", "ComboBoxClasses=Organization"},
            "ALPHA_TREE", ".Sales.Acme", "User", "GUID", "Saved tree \"GLOBEX_TREE\" not found, showing \"ALPHA_TREE\"",
            "EditCurrentContainer", ".Mid"},
        {"container", {"ComboBoxTrees=BETA_TREE", "EditCurrentContainer=.Gone.Mid"}, "BETA_TREE", "[Root]", "User",
            "GUID", "Saved container \".Gone.Mid\" not found, showing \"[Root]\"", "EditCurrentContainer", ".Gone.Mid"},
        {"class", {"ComboBoxClasses=No Such Class", "ComboBoxAttributes=Surname"}, "ALPHA_TREE", ".Sales.Acme", "User",
            "Surname", "Saved class \"No Such Class\" not found, showing \"User\"", "ComboBoxClasses", "No Such Class"},
        {"attribute", {"ComboBoxClasses=Organization", "ComboBoxAttributes=Surname"}, "ALPHA_TREE", ".Sales.Acme",
            "Organization", "GUID",
            "Saved attribute \"Surname\" not found for class \"Organization\", showing \"GUID\"", "ComboBoxAttributes",
            "Surname"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.settings);
        Start();
        ShowPage(m_form->TabSheetSelector);
        ExpectWorkingTree(c.tree);
        EXPECT_EQ(m_form->CurrentContainer(), c.container);
        EXPECT_EQ(m_form->ComboBoxClasses->Text(), c.className);
        EXPECT_EQ(m_form->ComboBoxAttributes->Text(), c.attribute);
        EXPECT_EQ(m_form->StatusText(), c.status);
        EXPECT_TRUE(m_form->close());
        EXPECT_EQ(Saved(c.keptKey), c.keptValue);
        EXPECT_TRUE(m_dialogs.Messages().empty());
        m_form.reset();
    }
}

TEST_F(WindowChoices, AKeptChoiceGivesWayToTheUsersNextChoice)
{
    WriteSettings({"ComboBoxClasses=Organization", "ComboBoxAttributes=Surname"});
    Start();
    ShowPage(m_form->TabSheetSelector);
    ASSERT_EQ(m_form->ComboBoxAttributes->Text(), "GUID");
    UserSelect(m_form->ComboBoxAttributes, m_form->ComboBoxAttributes->Items().IndexOf("Description"));
    EXPECT_TRUE(m_form->close());
    EXPECT_EQ(Saved("ComboBoxAttributes"), "Description");
}

TEST_F(WindowChoices, AStartWithoutTheDirectoryLeavesTheSavedChoicesForTheNext)
{
    WriteSettings(kBetaChoices);
    Start({TestDataFile("missing-tree-file.json")});
    ShowPage(m_form->TabSheetSelector);
    EXPECT_TRUE(m_form->close());
    m_form.reset();
    EXPECT_EQ(Saved("ComboBoxTrees"), "BETA_TREE");
    EXPECT_EQ(Saved("EditCurrentContainer"), ".Mid");
    EXPECT_EQ(Saved("ComboBoxClasses"), "Organizational Unit");
    EXPECT_EQ(Saved("ComboBoxAttributes"), "Description");

    m_dialogs.Forget();
    Start();
    ShowPage(m_form->TabSheetSelector);
    ExpectWorkingTree("BETA_TREE");
    EXPECT_EQ(m_form->CurrentContainer(), ".Mid");
    EXPECT_EQ(m_form->ComboBoxAttributes->Text(), "Description");
}

} // namespace
} // namespace veralith::app::testing
