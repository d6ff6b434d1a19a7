// The window's components, its start-up on the test trees and with the client
// failing, and its close.

#include "directory/names.h"
#include "settings/radio_group.h"
#include "util/collate.h"
#include "util/memo.h"
#include "util/path.h"
#include "util/string_list.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

namespace veralith::app::testing {
namespace {

using Texts = std::vector<std::string>;

std::uint32_t ContextFlags(client::DirContext context)
{
    std::uint32_t flags = 0;
    EXPECT_EQ(client::DirGetContext(context, 1, &flags), 0);
    return flags;
}

TEST(TreeRowToSelect, ThePrimaryTreeElseTheFirst)
{
    StringListModel trees;
    EXPECT_EQ(TreeRowToSelect(trees, "ALPHA_TREE"), -1);
    trees.Add("ALPHA_TREE");
    trees.Add("BETA_TREE");
    EXPECT_EQ(TreeRowToSelect(trees, "BETA_TREE"), 1);
    EXPECT_EQ(TreeRowToSelect(trees, "beta_tree"), 1);
    EXPECT_EQ(TreeRowToSelect(trees, "GAMMA_TREE"), 0);
    EXPECT_EQ(TreeRowToSelect(trees, ""), 0);
}

TEST_F(WindowTest, EveryComponentHasItsNameCaptionAndInitialState)
{
    Start({TestDataFile("missing-tree-file.json")});
    TMainForm& form = *m_form;
    EXPECT_EQ(form.objectName(), QStringLiteral("MainForm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Veralith: Find Objects with Duplicate Attribute Values (and more)"));
    EXPECT_EQ(form.size(), QSize(657, 593));
    EXPECT_EQ(form.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(form.font().pixelSize(), 12);
    EXPECT_EQ(form.PanelTitle->font().pixelSize(), 19);
    EXPECT_TRUE(form.PanelTitle->font().bold());
    EXPECT_EQ(form.PanelTitle->text(), QStringLiteral("Quick Start"));
    EXPECT_EQ(form.PanelTitle->height(), 41);
    // The version set in the top CMakeLists.txt, below the quick-start text.
    EXPECT_EQ(form.LabelVersion->text(), QStringLiteral("Veralith " VERALITH_TEST_VERSION));
    EXPECT_EQ(form.LabelVersion->parentWidget(), form.TabSheetInfo);

    ASSERT_EQ(form.PageControl->count(), 3);
    EXPECT_EQ(form.PageControl->tabText(0), QStringLiteral("&Info"));
    EXPECT_EQ(form.PageControl->tabText(1), QStringLiteral("&Find Duplicates"));
    EXPECT_EQ(form.PageControl->tabText(2), QStringLiteral("&Results"));
    EXPECT_EQ(form.PageControl->widget(1), form.TabSheetSelector);
    EXPECT_EQ(form.PageControl->widget(2), form.TabSheetResults);

    // Every component is found by its name.
    for (const char* name : {"TabSheetInfo", "PanelTitle", "Memo1", "LabelVersion", "TabSheetSelector", "PanelSettings",
             "Label1", "ComboBoxTrees", "Label2", "EditCurrentContainer", "Label3", "ComboBoxClasses", "Label4",
             "ComboBoxAttributes", "PanelRadioGroup", "RadioGroupAttributeCheck", "Splitter1", "PanelContainers",
             "PanelCaptionContainers", "ListBoxContainers", "PanelControl", "Panel2", "BitBtnSearch", "CheckBoxRecurse",
             "Panel3", "RadioGroupAlert", "TabSheetResults", "Splitter2", "Splitter3", "PanelSearchObjects",
             "ListBoxObjects", "ListBoxAttributes", "PanelLog", "Panel1", "ListBoxLog", "StatusBar", "PopupMenu"}) {
        EXPECT_NE(form.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    }

    EXPECT_EQ(form.Label1->text(), QStringLiteral("&Tree"));
    EXPECT_EQ(form.Label1->buddy(), form.ComboBoxTrees);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Context"));
    EXPECT_EQ(form.Label3->buddy(), form.ComboBoxClasses);
    EXPECT_EQ(form.Label4->text(), QStringLiteral("&Attribute"));
    EXPECT_EQ(form.Label4->buddy(), form.ComboBoxAttributes);
    EXPECT_EQ(form.ComboBoxTrees->toolTip(), QStringLiteral("Select Current Tree"));
    EXPECT_FALSE(form.ComboBoxTrees->isEditable());
    EXPECT_FALSE(form.ComboBoxTrees->Items().Sorted());
    EXPECT_TRUE(form.ComboBoxClasses->Items().Sorted());
    EXPECT_TRUE(form.ComboBoxAttributes->Items().Sorted());
    EXPECT_TRUE(form.EditCurrentContainer->isReadOnly());
    EXPECT_EQ(form.EditCurrentContainer->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(form.EditCurrentContainer->text(), QStringLiteral("EditCurrentContainer"));
    EXPECT_EQ(form.PanelSettings->height(), 141);
    EXPECT_EQ(form.PanelRadioGroup->height(), 40);

    EXPECT_EQ(form.RadioGroupAttributeCheck->title(), QStringLiteral("&Attribute Check ... "));
    EXPECT_EQ(form.RadioGroupAttributeCheck->Items(),
        (QStringList {QStringLiteral("&Duplicates"), QStringLiteral("&Present"), QStringLiteral("&Not Present"),
            QStringLiteral("&Just Show")}));
    EXPECT_EQ(form.RadioGroupAttributeCheck->Columns(), 4);
    EXPECT_EQ(form.RadioGroupAttributeCheck->ItemIndex(), 0);
    EXPECT_EQ(form.RadioGroupAlert->title(), QStringLiteral("&Alert"));
    EXPECT_EQ(form.RadioGroupAlert->Items(), (QStringList {QStringLiteral("&Popup"), QStringLiteral("&Log Message")}));
    EXPECT_EQ(form.RadioGroupAlert->ItemIndex(), 0);
    EXPECT_EQ(form.BitBtnSearch->text(), QStringLiteral("&Search"));
    EXPECT_FALSE(form.BitBtnSearch->icon().isNull());
    EXPECT_EQ(form.CheckBoxRecurse->text(), QStringLiteral("&Recurse"));
    EXPECT_FALSE(form.CheckBoxRecurse->isChecked());
    EXPECT_EQ(form.PanelCaptionContainers->text(), QStringLiteral("Select Start Container"));
    EXPECT_EQ(form.ListBoxContainers->toolTip(), QStringLiteral("Containers - Double-click to change"));
    EXPECT_EQ(form.Panel1->text(), QStringLiteral("Log"));

    EXPECT_TRUE(form.ListBoxObjects->Items().Sorted());
    EXPECT_FALSE(form.ListBoxAttributes->Items().Sorted());
    EXPECT_FALSE(form.ListBoxLog->Items().Sorted());
    for (QSplitter* splitter : {form.Splitter1, form.Splitter2}) {
        EXPECT_EQ(splitter->handleWidth(), 10);
    }
    EXPECT_EQ(form.Splitter3->handleWidth(), 13);
    EXPECT_EQ(form.PanelContainers->minimumWidth(), 20);
    EXPECT_EQ(form.PanelControl->minimumWidth(), 20);
    EXPECT_EQ(form.PanelSearchObjects->minimumWidth(), 20);

    // The popup menu: Save visible, the other three hidden; attached to the four lists only.
    QStringList visible;
    for (QAction* action : form.PopupMenu->actions()) {
        if (action->isVisible()) {
            visible << action->text();
        }
    }
    EXPECT_EQ(visible, QStringList {QStringLiteral("Save")});
    EXPECT_FALSE(form.PopupMenuLoad->isVisible());
    EXPECT_FALSE(form.PopupMenuClear->isVisible());
    EXPECT_FALSE(form.PopupMenuRefresh->isVisible());
    for (ListBox* list : {form.ListBoxContainers, form.ListBoxObjects, form.ListBoxAttributes, form.ListBoxLog}) {
        EXPECT_EQ(list->contextMenuPolicy(), Qt::CustomContextMenu) << list->objectName().toStdString();
    }
    EXPECT_NE(form.Memo1->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(WindowTest, ShownTheSplittersGiveTheirPanelsTheirSizes)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    EXPECT_EQ(m_form->PanelControl->width(), 190);
    EXPECT_EQ(m_form->PanelSettings->height(), 141);
    m_form->PageControl->setCurrentWidget(m_form->TabSheetResults);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_form->PanelSearchObjects->width(), 185);
    EXPECT_GT(m_form->PanelLog->height(), m_form->Splitter2->height());
}

TEST_F(WindowTest, StartUpOpensOnInfoWithThePrimaryTreeItsContainersAndClasses)
{
    Start();
    TMainForm& form = *m_form;
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_EQ(form.PageControl->currentWidget(), form.TabSheetInfo);
    EXPECT_EQ(util::ApplicationTitle(), TMainForm::kCaption);

    // The quick-start text beside the executable, or the line saying it is missing.
    const std::string quickStart = util::ExeFileWithExtension("txt");
    QFile file(QString::fromStdString(quickStart));
    if (file.open(QIODevice::ReadOnly)) {
        const std::vector<std::string> lines = util::SplitLines(file.readAll().toStdString());
        EXPECT_EQ(form.Memo1->blockCount(), std::max<int>(1, static_cast<int>(lines.size())));
    } else {
        EXPECT_EQ(form.Memo1->toPlainText().toStdString(), "Could not find " + quickStart);
    }

    EXPECT_EQ(form.ComboBoxTrees->Items().Texts(), (Texts {"ALPHA_TREE", "BETA_TREE"}));
    EXPECT_EQ(form.ComboBoxTrees->Text(), "ALPHA_TREE");
    EXPECT_EQ(form.EditCurrentContainer->text(), QStringLiteral(".Sales.Acme"));
    EXPECT_EQ(form.CurrentContainer(), ".Sales.Acme");
    EXPECT_EQ(Entries(form.ListBoxContainers), (Texts {"[ .. ]", "Archive", "beta", "Staff"}));
    EXPECT_FALSE(form.ListBoxContainers->Items().Sorted());

    const StringListModel& classes = form.ComboBoxClasses->Items();
    ASSERT_GT(classes.Count(), 10);
    EXPECT_EQ(classes.TextAt(0), "");
    EXPECT_EQ(form.ComboBoxClasses->Text(), "User");
    for (int row = 2; row < classes.Count(); ++row) {
        EXPECT_LE(util::CompareTextsForSorting(classes.TextAt(row - 1), classes.TextAt(row)), 0) << row;
    }
    EXPECT_EQ(form.ComboBoxAttributes->Text(), "GUID");
    EXPECT_EQ(form.LastResult(), 0);

    // Both contexts on the tree with flag 4; the search context at the root.
    EXPECT_EQ(directory::ReadTreeName(form.NavigationContext()), "ALPHA_TREE");
    EXPECT_EQ(directory::ReadTreeName(form.SearchContext()), "ALPHA_TREE");
    EXPECT_EQ(directory::ReadNameContext(form.SearchContext()), "[Root]");
    EXPECT_EQ(directory::ReadNameContext(form.NavigationContext()), "Sales.Acme");
    EXPECT_NE(ContextFlags(form.NavigationContext()) & 4u, 0u);
    EXPECT_NE(ContextFlags(form.SearchContext()) & 4u, 0u);
}

TEST_F(WindowTest, StartUpSelectsThePrimaryConnectionsTreeAtItsRoot)
{
    Start({TestDataFile("window-beta.json"), TestDataFile("window-alpha.json")});
    EXPECT_EQ(m_form->ComboBoxTrees->Items().Texts(), (Texts {"BETA_TREE", "ALPHA_TREE"}));
    EXPECT_EQ(m_form->ComboBoxTrees->Text(), "BETA_TREE");
    EXPECT_EQ(m_form->EditCurrentContainer->text(), QStringLiteral("[Root]"));
    EXPECT_EQ(Entries(m_form->ListBoxContainers), (Texts {"alpha", "Mid", "Zeta"}));
}

TEST_F(WindowTest, StartUpWithTheClientFailingShowsWhyAndLeavesTheListsEmpty)
{
    Start({TestDataFile("missing-tree-file.json")});
    TMainForm& form = *m_form;
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    const ShownMessage& message = m_dialogs.Messages().front();
    EXPECT_EQ(message.kind, util::MessageBoxKind::Error);
    EXPECT_EQ(message.caption, QStringLiteral("Error"));
    EXPECT_TRUE(message.text.startsWith(
        QStringLiteral("Could not initialize NetWare Client. InitNetWare returned error 0xFFFF (")))
        << message.text.toStdString();

    EXPECT_EQ(form.PageControl->currentWidget(), form.TabSheetInfo);
    EXPECT_EQ(form.NavigationContext(), client::kNoContext);
    EXPECT_EQ(form.SearchContext(), client::kNoContext);
    EXPECT_EQ(form.ComboBoxTrees->Items().Count(), 0);
    EXPECT_EQ(form.ComboBoxClasses->Items().Count(), 0);
    EXPECT_EQ(form.ComboBoxAttributes->Items().Count(), 0);
    EXPECT_EQ(form.ComboBoxAttributes->ItemIndex(), -1);
    EXPECT_EQ(form.ListBoxContainers->Count(), 0);
    EXPECT_EQ(form.EditCurrentContainer->text(), QStringLiteral("EditCurrentContainer"));
}

TEST_F(WindowTest, CloseFreesBothContextsAndSavesTheSettings)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    ASSERT_EQ(client::GetClientResourceCounts().contexts, m_contextsBefore + 2);
    m_form->CheckBoxRecurse->setChecked(true);
    EXPECT_TRUE(m_form->close());
    EXPECT_EQ(m_form->NavigationContext(), client::kNoContext);
    EXPECT_EQ(m_form->SearchContext(), client::kNoContext);
    EXPECT_EQ(client::GetClientResourceCounts().contexts, m_contextsBefore);

    const QStringList files = QDir(m_settingsDir.path()).entryList({QStringLiteral("*.ini")});
    ASSERT_EQ(files.size(), 1);
    QFile settings(QDir(m_settingsDir.path()).filePath(files.first()));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    for (const char* line : {"MainForm.Width=", "ComboBoxTrees=ALPHA_TREE", "ComboBoxClasses=User",
             "ComboBoxAttributes=GUID", "CheckBoxRecurse=1", "EditCurrentContainer=.Sales.Acme"}) {
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
    }
    EXPECT_TRUE(m_dialogs.Messages().empty());
}

TEST_F(WindowTest, ChoicesMadeBeforeCloseAreRestoredInTheNextWindow)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    m_form->CheckBoxRecurse->setChecked(true);
    m_form->RadioGroupAttributeCheck->SetItemIndex(2);
    m_form->RadioGroupAlert->SetItemIndex(1);
    m_form->resize(700, 640);
    QCoreApplication::processEvents();
    const QSize closedSize = m_form->size();
    EXPECT_TRUE(m_form->close());
    m_form.reset();

    // A new window on the same settings file: the first run's defaults are
    // replaced by what the user left behind.
    Start();
    EXPECT_FALSE(m_form->CheckBoxRecurse->isChecked());
    ShowPage(m_form->TabSheetSelector);
    EXPECT_TRUE(m_form->CheckBoxRecurse->isChecked());
    EXPECT_EQ(m_form->RadioGroupAttributeCheck->ItemIndex(), 2);
    EXPECT_EQ(m_form->RadioGroupAlert->ItemIndex(), 1);
    EXPECT_EQ(m_form->size(), closedSize);
    EXPECT_EQ(m_form->ComboBoxAttributes->currentText(), QStringLiteral("GUID"));
    EXPECT_TRUE(m_dialogs.Messages().empty());
}

} // namespace
} // namespace veralith::app::testing
