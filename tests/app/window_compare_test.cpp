// The Compare group of the Find Duplicates page and the groups of the Results
// page, on tests/data/audit-tree.json (and an LDIF source for the holders'
// DNs), driven offscreen through the widgets.

#include "app/form_compare.h"
#include "settings/radio_group.h"
#include "util/feedback.h"
#include "window_fixture.h"

#include <functional>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace veralith::app::testing {
namespace {

using Texts = std::vector<std::string>;

class WindowCompareTest : public WindowTest
{
protected:
    // The window on the audit tree at .Acme, every class (the empty entry, so
    // that the auxiliary class's attributes are listed), the attribute
    // chosen, Recurse on, alerts as log lines only.
    void Prepare(const std::string& attribute)
    {
        Start({TestDataFile("audit-tree.json")});
        ShowPage(m_form->TabSheetSelector);
        UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf(""));
        m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf(attribute));
        ASSERT_EQ(m_form->ComboBoxAttributes->Text(), attribute);
        m_form->CheckBoxRecurse->setChecked(true);
        m_form->RadioGroupAlert->SetItemIndex(1);
        m_dialogs.Forget();
    }

    template<typename T>
    T* Control(const char* name) const
    {
        T* control = m_form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    void ClickSearch() { QTest::mouseClick(m_form->BitBtnSearch, Qt::LeftButton); }

    // A double click on a row as the user makes it: the press of the first
    // click, then the double click.
    static void UserDoubleClick(QTreeWidget* tree, QTreeWidgetItem* item)
    {
        tree->scrollToItem(item);
        const QPoint center = tree->visualItemRect(item).center();
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, center);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, center);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, center);
    }

    // The groups tree as lines: each group, then its objects indented.
    Texts GroupRows() const
    {
        Texts rows;
        const QTreeWidget* tree = m_form->TreeGroups;
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            const QTreeWidgetItem* group = tree->topLevelItem(g);
            rows.push_back(group->text(0).toStdString());
            for (int m = 0; m < group->childCount(); ++m) {
                rows.push_back("  " + group->child(m)->text(0).toStdString());
            }
        }
        return rows;
    }
};

TEST_F(WindowCompareTest, CompareChoicesChangeTheRunAndItsGroups)
{
    Prepare("proxyAddresses");
    // The plain check: whole values, no duplicates, no groups.
    ClickSearch();
    EXPECT_TRUE(Entries(m_form->ListBoxLog).empty());
    EXPECT_TRUE(GroupRows().empty());

    ShowPage(m_form->TabSheetSelector);
    QTest::mouseClick(Control<QCheckBox>("CheckBoxEachValue"), Qt::LeftButton);
    Control<QPlainTextEdit>("MemoIgnoreValues")->setPlainText(QStringLiteral("N/A\n\n"));
    Control<QPlainTextEdit>("MemoExcludeBases")->setPlainText(QStringLiteral(" Old.Acme "));
    ClickSearch();
    EXPECT_EQ(Entries(m_form->ListBoxObjects),
        (Texts {"ann.People.Acme", "bob.People.Acme", "cat.People.Acme", "dan.People.Acme", "eve.People.Acme"}));
    EXPECT_EQ(Entries(m_form->ListBoxLog),
        (Texts {"bob.People.Acme / ann.People.Acme: (proxyAddresses = a@example.org)",
            "bob.People.Acme / ann.People.Acme: (proxyAddresses = B@example.org)",
            "eve.People.Acme / ann.People.Acme: (proxyAddresses = b@example.org)"}));
    EXPECT_EQ(GroupRows(),
        (Texts {"a@example.org (2 objects)", "  ann.People.Acme", "  bob.People.Acme", "B@example.org (3 objects)",
            "  ann.People.Acme", "  bob.People.Acme", "  eve.People.Acme"}));

    // Several attributes, across other objects, matched as the directory.
    ShowPage(m_form->TabSheetSelector);
    Control<QPlainTextEdit>("MemoMoreAttributes")->setPlainText(QStringLiteral("mail"));
    Control<settings::RadioGroup>("RadioGroupUnique")->SetItemIndex(2);
    Control<settings::RadioGroup>("RadioGroupMatch")->SetItemIndex(2);
    Control<QPlainTextEdit>("MemoExcludeBases")->clear();
    ClickSearch();
    EXPECT_EQ(GroupRows(),
        (Texts {"a@example.org (2 objects)", "  ann.People.Acme", "  bob.People.Acme", "B@example.org (3 objects)",
            "  ann.People.Acme", "  bob.People.Acme", "  eve.People.Acme", " ann@example.org (3 objects)",
            "  ann.People.Acme (mail)", "  bob.People.Acme (mail)", "  cat.People.Acme (proxyAddresses)",
            "änn@example.org (2 objects)", "  cat.People.Acme", "  dan.People.Acme", "dan@example.org (2 objects)",
            "  dan.People.Acme", "  fay.Old.Acme"}));
    // Each run that found duplicates showed no box (alerts are log lines).
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages()[0].text, QStringLiteral("No duplicates found"));
}

TEST_F(WindowCompareTest, DoubleClickOnAnObjectShowsAllItsValuesAndSaveWritesTheGroups)
{
    Prepare("proxyAddresses");
    QTest::mouseClick(Control<QCheckBox>("CheckBoxEachValue"), Qt::LeftButton);
    ClickSearch();
    QTreeWidget* tree = m_form->TreeGroups;
    ASSERT_GE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* eve = tree->topLevelItem(1)->child(2);
    ASSERT_EQ(eve->text(0), QStringLiteral("eve.People.Acme"));
    UserDoubleClick(tree, eve);
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages()[0].kind, util::MessageBoxKind::Information);
    EXPECT_EQ(
        m_dialogs.Messages()[0].text, QStringLiteral("eve.People.Acme:\r\neve@example.org\r\nb@example.org\r\nN/A"));

    // A group's own row shows nothing.
    QTreeWidgetItem* group = tree->topLevelItem(0);
    UserDoubleClick(tree, group);
    EXPECT_EQ(m_dialogs.Messages().size(), 1u);

    const QString path = m_settingsDir.filePath(QStringLiteral("groups.txt"));
    m_dialogs.SetNextSaveFile(path);
    emit tree->customContextMenuRequested(QPoint(4, 4));
    EXPECT_EQ(m_form->PopupComponent, tree);
    m_form->PopupMenuSave->trigger();
    m_form->PopupMenu->close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
        QByteArray("a@example.org (2 objects)\r\n  ann.People.Acme\r\n  bob.People.Acme\r\n"
                   "B@example.org (3 objects)\r\n  ann.People.Acme\r\n  bob.People.Acme\r\n  eve.People.Acme\r\n"
                   "N/A (2 objects)\r\n  dan.People.Acme\r\n  eve.People.Acme\r\n"
                   "dan@example.org (2 objects)\r\n  dan.People.Acme\r\n  fay.Old.Acme\r\n"));
}

// The entries of an LDIF source have DNs: each holder's row shows it, and a
// double click on the row still shows the object's values.
TEST_F(WindowCompareTest, GroupsOfAnLdifSourceShowEachHoldersDn)
{
    Start({TestDataFile("../../docs/examples/people.ldif")});
    ShowPage(m_form->TabSheetSelector);
    UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf(""));
    m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("mail"));
    ASSERT_EQ(m_form->ComboBoxAttributes->Text(), "mail");
    m_form->CheckBoxRecurse->setChecked(true);
    m_form->RadioGroupAlert->SetItemIndex(1);
    m_dialogs.Forget();
    ClickSearch();
    EXPECT_EQ(GroupRows(),
        (Texts {"ANN@example.com (2 objects)", "  ann.People.example.com  dn: uid=ann,ou=People,dc=example,dc=com",
            "  bob.People.example.com  dn: uid=bob,ou=People,dc=example,dc=com"}));
    QTreeWidget* tree = m_form->TreeGroups;
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    UserDoubleClick(tree, tree->topLevelItem(0)->child(1));
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages()[0].text, QStringLiteral("bob.People.example.com:\r\nANN@example.com"));
}

TEST(ConflictGroupsViewTest, ManyGroupsAreShownInSlicesAndAClearMeanwhileLeavesTheViewEmpty)
{
    std::vector<ConflictGroup> groups;
    for (int i = 0; i < 2500; ++i) {
        const std::string n = std::to_string(i);
        groups.push_back(ConflictGroup {
            "+1 555 " + n, {{"a" + n + ".Acme", "Telephone Number"}, {"b" + n + ".Acme", "Telephone Number"}}});
    }
    ConflictGroupsView view("TreeGroups");
    std::function<void()> onPump;
    int pumps = 0;
    util::FeedbackHooks hooks;
    hooks.processPendingMessages = [&] {
        ++pumps;
        if (onPump) {
            onPump();
        }
    };
    const util::FeedbackHooks previous = util::SetFeedbackHooks(hooks);

    view.ShowGroups(groups);
    EXPECT_GE(pumps, 2); // the window answered between slices
    ASSERT_EQ(view.topLevelItemCount(), 2500);
    // Every group in its place across the slices' borders, expanded.
    for (const int g : {0, 999, 1000, 1001, 2000, 2499}) {
        const QTreeWidgetItem* item = view.topLevelItem(g);
        EXPECT_EQ(item->text(0).toStdString(), ConflictGroupTitle(groups[static_cast<std::size_t>(g)])) << g;
        EXPECT_TRUE(item->isExpanded()) << g;
        ASSERT_EQ(item->childCount(), 2) << g;
        EXPECT_EQ(item->child(1)->data(0, Qt::UserRole).toString().toStdString(), "b" + std::to_string(g) + ".Acme");
    }
    EXPECT_EQ(view.Lines(), ConflictGroupLines(groups));

    // Cleared while it is being filled (a tree change), it shows nothing.
    onPump = [&view] { view.ClearGroups(); };
    view.ShowGroups(groups);
    EXPECT_EQ(view.topLevelItemCount(), 0);
    EXPECT_TRUE(view.Lines().empty());
    util::SetFeedbackHooks(previous);
}

TEST_F(WindowCompareTest, CompareChoicesAreSavedAndRestored)
{
    Prepare("mail");
    Control<QCheckBox>("CheckBoxEachValue")->setChecked(true);
    Control<settings::RadioGroup>("RadioGroupMatch")->SetItemIndex(2);
    Control<settings::RadioGroup>("RadioGroupUnique")->SetItemIndex(3);
    Control<QPlainTextEdit>("MemoMoreAttributes")->setPlainText(QStringLiteral("proxyAddresses"));
    Control<QPlainTextEdit>("MemoIgnoreValues")->setPlainText(QStringLiteral("N/A\n\"\""));
    Control<QPlainTextEdit>("MemoExcludeBases")->setPlainText(QStringLiteral("Old.Acme"));
    EXPECT_TRUE(m_form->close());
    m_form.reset();

    Start({TestDataFile("audit-tree.json")});
    ShowPage(m_form->TabSheetSelector);
    const CompareOptions options = ReadCompareOptions(*m_form);
    EXPECT_TRUE(options.eachValue);
    EXPECT_EQ(options.match, MatchRule::Directory);
    EXPECT_EQ(options.uniqueness, Uniqueness::Combination);
    EXPECT_EQ(options.moreAttributes, Texts {"proxyAddresses"});
    EXPECT_EQ(options.ignoredValues, (Texts {"N/A", ""}));
    EXPECT_EQ(options.excludedBases, Texts {"Old.Acme"});
}

} // namespace
} // namespace veralith::app::testing
