// The window's reactions: tree change, class change, container navigation,
// selection keeping between the result lists, and Save.

#include "directory/names.h"
#include "util/text.h"
#include "window_fixture.h"

#include <algorithm>
#include <stdexcept>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

namespace veralith::app::testing {
namespace {

using Texts = std::vector<std::string>;

TEST_F(WindowTest, ProgramSelectionsRaiseNoChangeEvent)
{
    Start();
    const int attributes = m_form->ComboBoxAttributes->Items().Count();
    m_form->ComboBoxTrees->SetItemIndex(1);
    EXPECT_EQ(directory::ReadTreeName(m_form->NavigationContext()), "ALPHA_TREE");
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral(".Sales.Acme"));
    m_form->ComboBoxClasses->SetItemIndex(m_form->ComboBoxClasses->Items().IndexOf("Organization"));
    EXPECT_EQ(m_form->ComboBoxAttributes->Items().Count(), attributes);
    EXPECT_EQ(m_form->ComboBoxAttributes->Text(), "GUID");
}

TEST_F(WindowTest, ChangingTheEditTextRefreshesTheShownContainer)
{
    Start();
    m_form->ListBoxContainers->Items().Clear();
    m_form->EditCurrentContainer->setText(QStringLiteral("[Root]"));
    // The refresh puts the navigation context back into the edit.
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral(".Sales.Acme"));
    EXPECT_EQ(Entries(m_form->ListBoxContainers), (Texts {"[ .. ]", "Archive", "beta", "Staff"}));
}

TEST_F(WindowTest, UserTreeChangeSwitchesBothContextsAndRefillsTheLists)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    UserSelect(m_form->ComboBoxTrees, 1);
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_EQ(m_form->LastResult(), 0);
    EXPECT_EQ(directory::ReadTreeName(m_form->NavigationContext()), "BETA_TREE");
    EXPECT_EQ(directory::ReadTreeName(m_form->SearchContext()), "BETA_TREE");
    EXPECT_EQ(directory::ReadNameContext(m_form->SearchContext()), "[Root]");
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral("[Root]"));
    EXPECT_EQ(m_form->CurrentContainer(), "[Root]");
    EXPECT_EQ(Entries(m_form->ListBoxContainers), (Texts {"alpha", "Mid", "Zeta"}));
    EXPECT_EQ(m_form->ComboBoxClasses->Items().TextAt(0), "");
    EXPECT_EQ(m_form->ComboBoxClasses->Text(), "User");
    EXPECT_EQ(m_form->ComboBoxAttributes->Text(), "GUID");

    UserSelect(m_form->ComboBoxTrees, 0);
    EXPECT_EQ(directory::ReadTreeName(m_form->SearchContext()), "ALPHA_TREE");
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral(".Sales.Acme"));
    EXPECT_EQ(Entries(m_form->ListBoxContainers).front(), "[ .. ]");
}

TEST_F(WindowTest, TreeChangeToATreeWithoutConnectionShowsTheErrorCodeAndGoesOn)
{
    Start();
    m_form->ComboBoxTrees->Items().Add("GHOST_TREE");
    UserSelect(m_form->ComboBoxTrees, 2);
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages().front().kind, util::MessageBoxKind::Error);
    EXPECT_EQ(m_dialogs.Messages().front().text, QStringLiteral("Error FFFFFD85: DSChangeCurrentTree"));
    // The contexts stay where they were; the later steps still ran.
    EXPECT_EQ(directory::ReadTreeName(m_form->SearchContext()), "ALPHA_TREE");
    EXPECT_EQ(directory::ReadNameContext(m_form->SearchContext()), "[Root]");
    EXPECT_EQ(m_form->ComboBoxClasses->Text(), "User");
}

TEST_F(WindowTest, ClassChangeKeepsTheAttributeOnlyWhenTheNewClassHasIt)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    ComboBox* classes = m_form->ComboBoxClasses;
    ComboBox* attributes = m_form->ComboBoxAttributes;
    const Texts userAttributes = attributes->Items().Texts();

    UserSelect(classes, classes->Items().IndexOf("Organization"));
    EXPECT_EQ(attributes->Text(), "GUID");
    const Texts organizationAttributes = attributes->Items().Texts();
    EXPECT_NE(organizationAttributes, userAttributes);

    // An attribute of User that Organization lacks is not kept.
    const auto onlyUser = std::find_if(userAttributes.begin(), userAttributes.end(), [&](const std::string& name) {
        return std::none_of(organizationAttributes.begin(), organizationAttributes.end(),
            [&](const std::string& other) { return util::SameTextIgnoreCase(name, other); });
    });
    ASSERT_NE(onlyUser, userAttributes.end());
    UserSelect(classes, classes->Items().IndexOf("User"));
    EXPECT_EQ(attributes->Items().Texts(), userAttributes);
    attributes->SetItemIndex(attributes->Items().IndexOf(*onlyUser));
    UserSelect(classes, classes->Items().IndexOf("Organization"));
    EXPECT_EQ(attributes->ItemIndex(), -1);
    EXPECT_EQ(m_form->LastResult(), 0);

    // The empty class: the attributes of every class.
    attributes->SetItemIndex(attributes->Items().IndexOf("GUID"));
    UserSelect(classes, 0);
    EXPECT_GE(attributes->Items().Count(), static_cast<int>(userAttributes.size()));
    EXPECT_GE(attributes->Items().IndexOf(*onlyUser), 0);
    EXPECT_EQ(attributes->Text(), "GUID");
}

TEST_F(WindowTest, DoubleClicksNavigateDownAndUpToTheRoot)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    ListBox* list = m_form->ListBoxContainers;
    QLineEdit* edit = m_form->EditCurrentContainer;
    QSignalSpy editChanges(edit, &QLineEdit::textChanged);

    UserDoubleClick(list, "Staff");
    EXPECT_EQ(edit->text(), QStringLiteral(".Staff.Sales.Acme"));
    EXPECT_EQ(m_form->CurrentContainer(), ".Staff.Sales.Acme");
    EXPECT_EQ(Entries(list), (Texts {"[ .. ]"}));
    EXPECT_EQ(editChanges.count(), 1);

    struct Step
    {
        const char* entry;
        const char* shown;
        Texts containers;
    };
    const Step steps[] = {
        {"[ .. ]", ".Sales.Acme", {"[ .. ]", "Archive", "beta", "Staff"}},
        {"[ .. ]", ".Acme", {"[ .. ]", "Sales"}},
        {"[ .. ]", "[Root]", {"Acme", "Other"}},
        {"Other", ".Other", {"[ .. ]"}},
        {"[ .. ]", "[Root]", {"Acme", "Other"}},
    };
    for (const Step& step : steps) {
        UserDoubleClick(list, step.entry);
        EXPECT_EQ(edit->text().toStdString(), step.shown);
        EXPECT_EQ(m_form->CurrentContainer(), step.shown);
        EXPECT_EQ(Entries(list), step.containers) << "after " << step.entry << " to " << step.shown;
    }
    EXPECT_EQ(directory::ReadNameContext(m_form->NavigationContext()), "[Root]");
    EXPECT_TRUE(m_dialogs.Messages().empty());
}

TEST_F(WindowTest, DoubleClickWithNothingSelectedDoesNothing)
{
    Start();
    m_form->ListBoxContainers->SetItemIndex(-1);
    const std::uint64_t calls = client::GetClientCallCount();
    m_form->ListBoxContainersDblClick();
    EXPECT_EQ(client::GetClientCallCount(), calls);
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral(".Sales.Acme"));
}

TEST_F(WindowTest, ClicksKeepTheObjectAndValueSelectionsInStep)
{
    Start();
    ShowPage(m_form->TabSheetResults);
    ListBox* objects = m_form->ListBoxObjects;
    ListBox* values = m_form->ListBoxAttributes;
    for (const char* name : {"a.Acme", "b.Acme", "c.Acme"}) {
        objects->Items().Add(name);
    }
    values->Items().Add("1");
    values->Items().Add("2");

    UserClick(objects, 1);
    EXPECT_EQ(values->ItemIndex(), 1);
    UserClick(objects, 2); // no value for the third object
    EXPECT_EQ(values->ItemIndex(), -1);
    EXPECT_EQ(objects->ItemIndex(), 2);
    UserClick(values, 0);
    EXPECT_EQ(objects->ItemIndex(), 0);
    QTest::keyClick(values, Qt::Key_Down);
    EXPECT_EQ(objects->ItemIndex(), 1);
    QTest::keyClick(objects, Qt::Key_Down);
    EXPECT_EQ(values->ItemIndex(), -1);
}

TEST_F(WindowTest, TheSearchButtonStartsTheRunAndAnErrorItRaisesIsShown)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    int runs = 0;
    m_form->SetSearchRun([&runs](TMainForm& form) {
        ++runs;
        form.SetStatusText("running");
        throw std::runtime_error("List index out of bounds (3)");
    });
    QTest::mouseClick(m_form->BitBtnSearch, Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(m_form->StatusText(), "running");
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages().front().kind, util::MessageBoxKind::Error);
    EXPECT_EQ(m_dialogs.Messages().front().text, QStringLiteral("List index out of bounds (3)"));
}

class WindowSave : public WindowTest
{
protected:
    QByteArray SaveList(ListBox* list, const QString& fileName)
    {
        const QString path = m_settingsDir.filePath(fileName);
        m_dialogs.SetNextSaveFile(path);
        emit list->customContextMenuRequested(QPoint(4, 4));
        EXPECT_EQ(m_form->PopupComponent, list);
        EXPECT_TRUE(m_form->PopupMenu->isVisible());
        m_form->PopupMenuSave->trigger();
        m_form->PopupMenu->close();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }
};

TEST_F(WindowSave, SavesEachOfTheFourListsOneEntryALineEndedByCrLf)
{
    Start();
    ShowPage(m_form->TabSheetResults);
    m_form->ListBoxObjects->Items().Add("jsmith.Sales.Acme");
    m_form->ListBoxObjects->Items().Add("adoe.Sales.Acme");
    m_form->ListBoxAttributes->Items().Add("line one\r\nline two");
    m_form->ListBoxAttributes->Items().Add("");

    EXPECT_EQ(SaveList(m_form->ListBoxContainers, QStringLiteral("containers.txt")),
        QByteArray("[ .. ]\r\nArchive\r\nbeta\r\nStaff\r\n"));
    EXPECT_EQ(SaveList(m_form->ListBoxObjects, QStringLiteral("objects.txt")),
        QByteArray("adoe.Sales.Acme\r\njsmith.Sales.Acme\r\n"));
    EXPECT_EQ(
        SaveList(m_form->ListBoxAttributes, QStringLiteral("values.txt")), QByteArray("line one\r\nline two\r\n\r\n"));
    EXPECT_EQ(SaveList(m_form->ListBoxLog, QStringLiteral("log.txt")), QByteArray());
    EXPECT_TRUE(m_dialogs.Messages().empty());

    ASSERT_EQ(m_dialogs.SaveDialogs().size(), 4u);
    const SaveDialogOptions& options = m_dialogs.SaveDialogs().front();
    EXPECT_EQ(options.filter, QStringLiteral("Text files (*.txt);;All files (*.*)"));
    EXPECT_EQ(options.filterIndex, 1);
    EXPECT_EQ(options.defaultExtension, QStringLiteral("txt"));
    EXPECT_EQ(options.fileName, QStringLiteral("*.txt"));
    EXPECT_FALSE(options.confirmOverwrite);
}

TEST_F(WindowSave, ACancelledDialogWritesNothing)
{
    Start();
    m_form->PopupComponent = m_form->ListBoxContainers;
    m_dialogs.SetNextSaveFile(std::nullopt);
    m_form->PopupMenuSaveClick();
    EXPECT_EQ(m_dialogs.SaveDialogs().size(), 1u);
    EXPECT_TRUE(QDir(m_settingsDir.path()).entryList({QStringLiteral("*.txt")}).isEmpty());
    EXPECT_TRUE(m_dialogs.Messages().empty());
}

TEST_F(WindowSave, AFileThatCannotBeWrittenShowsTheErrorAndKeepsTheListAndTheOldFile)
{
    Start();
    m_form->PopupComponent = m_form->ListBoxContainers;
    const QString path = m_settingsDir.filePath(QStringLiteral("no-such-folder/list.txt"));
    m_dialogs.SetNextSaveFile(path);
    m_form->PopupMenuSaveClick();
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages().front().kind, util::MessageBoxKind::Error);
    EXPECT_TRUE(m_dialogs.Messages().front().text.startsWith(QStringLiteral("Cannot write file \"") + path))
        << m_dialogs.Messages().front().text.toStdString();
    EXPECT_EQ(Entries(m_form->ListBoxContainers), (Texts {"[ .. ]", "Archive", "beta", "Staff"}));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
} // namespace veralith::app::testing
