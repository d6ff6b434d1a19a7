#include "settings/control_tree.h"
#include "settings/radio_group.h"
#include "settings/value_list_editor.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

using namespace veralith::settings;

namespace {

// A panel inside a window, as the settings panels of the main window are.
class PanelTest : public SettingsTest
{
protected:
    template<class W>
    W* Add(const char* name)
    {
        auto* w = new W(&m_panel);
        w->setObjectName(name);
        return w;
    }
    void Save()
    {
        IniFile file(m_path);
        SaveControlTree(file, "Settings", &m_panel);
    }
    void Restore() { RestoreControlTree(IniFile(m_path), "Settings", &m_panel); }

    QWidget m_form;
    QWidget m_panel {&m_form};

    void SetUp() override
    {
        SettingsTest::SetUp();
        m_form.setObjectName("Form");
        m_panel.setObjectName("Panel");
    }
};

TEST_F(PanelTest, RadioGroupBackToZeroWritesZero)
{
    auto* radio = Add<RadioGroup>("Radio");
    radio->SetItems({"a", "b", "c"});
    radio->SetItemIndex(0);
    Save();
    EXPECT_EQ(ReadRaw(), "") << "index 0 on a first save is not written";
    radio->SetItemIndex(2);
    Save();
    radio->SetItemIndex(0);
    Save();
    EXPECT_EQ(ReadRaw(), "[Settings]\nRadio=0\n");
    radio->SetItemIndex(1);
    Restore();
    EXPECT_EQ(radio->ItemIndex(), 0);
}

TEST_F(PanelTest, SingleValueControlsComeBackAndSpinBoxInnerEditIsNotStored)
{
    auto* edit = Add<QLineEdit>("Edit");
    auto* spin = Add<QSpinBox>("Spin");
    auto* slider = Add<QSlider>("Slider");
    auto* check = Add<QCheckBox>("Check");
    auto* list = Add<QComboBox>("List");
    list->addItems({"", "Group", "User"});
    spin->setRange(-10, 10);
    slider->setRange(0, 100);

    edit->setText("  two blanks ahead");
    spin->setValue(-3);
    slider->setValue(40);
    check->setChecked(true);
    list->setCurrentIndex(2);
    Save();
    EXPECT_EQ(ReadRaw(), "[Settings]\nEdit=\"  two blanks ahead\"\nSpin=-3\nSlider=40\nCheck=1\nList=User\n");

    edit->setText("x");
    spin->setValue(0);
    slider->setValue(0);
    check->setChecked(false);
    list->setCurrentIndex(0);
    Restore();
    EXPECT_EQ(edit->text(), "  two blanks ahead");
    EXPECT_EQ(spin->value(), -3);
    EXPECT_EQ(slider->value(), 40);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(list->currentIndex(), 2);
}

TEST_F(PanelTest, DropDownListSelectsByTextIgnoringCaseSilently)
{
    auto* list = Add<QComboBox>("List");
    list->addItems({"Group", "User"});
    list->setCurrentIndex(0);
    QSignalSpy spy(list, &QComboBox::currentIndexChanged);

    WriteRaw("[Settings]\nList=user\n");
    Restore();
    EXPECT_EQ(list->currentIndex(), 1);
    WriteRaw("[Settings]\nList=Gone\n");
    Restore();
    EXPECT_EQ(list->currentIndex(), -1) << "a text no longer in the list selects nothing";
    EXPECT_EQ(spy.count(), 0) << "the restore looked like a choice of the user";
}

TEST_F(PanelTest, NumbersThatAreNotNumbersKeepTheControlsState)
{
    auto* radio = Add<RadioGroup>("Radio");
    radio->SetItems({"a", "b"});
    radio->SetItemIndex(1);
    auto* check = Add<QCheckBox>("Check");
    check->setChecked(true);
    WriteRaw("[Settings]\nRadio=abc\nCheck=yes\n");
    Restore();
    EXPECT_EQ(radio->ItemIndex(), 1);
    EXPECT_TRUE(check->isChecked());
}

TEST_F(PanelTest, CheckListEntryRootIsStoredAsRoot)
{
    auto* list = Add<QListWidget>("Checks");
    for (const char* text : {"[Root]", "Sales", "Staff"}) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(QString(text) == "Staff" ? Qt::Unchecked : Qt::Checked);
    }
    Save();
    EXPECT_EQ(ReadRaw(), "[Settings Checks]\nRoot=1\nSales=1\nStaff=0\n");
    list->clear();
    Restore();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Root");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(2)->checkState(), Qt::Unchecked);
}

TEST_F(PanelTest, MemoWithoutSectionIsEmptiedReadOnlyOrNot)
{
    auto* memo = Add<QPlainTextEdit>("Memo");
    auto* readOnly = Add<QPlainTextEdit>("Info");
    readOnly->setReadOnly(true);
    memo->setPlainText("line 1\n\n  line 3");
    readOnly->setPlainText("shown text");
    Save();
    EXPECT_EQ(ReadRaw(), "[Settings Memo]\n0=line 1\n1=\n2=\"  line 3\"\n") << "a read-only memo stores nothing";
    memo->clear();
    Restore();
    EXPECT_EQ(memo->toPlainText(), "line 1\n\n  line 3");
    EXPECT_EQ(readOnly->toPlainText(), "");

    WriteRaw("");
    Restore();
    EXPECT_EQ(memo->toPlainText(), "");
}

TEST_F(PanelTest, StringGridIsStoredColumnByColumn)
{
    auto* grid = Add<QTableWidget>("Grid");
    grid->setColumnCount(3);
    grid->setRowCount(2);
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 2; ++r) {
            grid->setItem(r, c, new QTableWidgetItem(QString("c%1r%2").arg(c).arg(r)));
        }
    }
    Save();
    EXPECT_EQ(ReadRaw(),
        "[Settings Grid]\nRowCount=2\nColCount=3\n"
        "Cell.0.0=c0r0\nCell.0.1=c0r1\nCell.1.0=c1r0\nCell.1.1=c1r1\nCell.2.0=c2r0\nCell.2.1=c2r1\n");
    grid->clear();
    grid->setRowCount(0);
    grid->setColumnCount(0);
    Restore();
    ASSERT_EQ(grid->rowCount(), 2);
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->item(1, 2)->text(), "c2r1");
}

TEST_F(PanelTest, StringGridIgnoresAbsurdCountsFromADamagedFile)
{
    auto* grid = Add<QTableWidget>("Grid");
    grid->setColumnCount(1);
    grid->setRowCount(1);
    WriteRaw("[Settings Grid]\nRowCount=2000000000\nColCount=3\nCell.0.0=kept\n");
    Restore();
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->columnCount(), 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "kept");
}

TEST_F(PanelTest, ValueListEditorKeepsRowsAndCount)
{
    auto* values = Add<ValueListEditor>("Values");
    values->SetRows({"Name=Smith", "Empty=", "=", "Path=a=b"});
    Save();
    EXPECT_EQ(ReadRaw(), "[Settings]\nValues.Count=4\n[Settings Values]\n0=Name=Smith\n1=Empty=\n2==\n3=Path=a=b\n");
    values->SetRows({});
    Restore();
    EXPECT_EQ(values->Rows(), (QStringList {"Name=Smith", "Empty=", "=", "Path=a=b"}));

    WriteRaw("[Settings]\nValues.Count=3\n[Settings Values]\n0=a=1\n");
    Restore();
    EXPECT_EQ(values->Rows(), (QStringList {"a=1", "=", "="}));
}

TEST_F(PanelTest, SplitterPaneSizesComeBack)
{
    auto* layout = new QVBoxLayout(&m_panel);
    auto* splitter = new QSplitter(Qt::Horizontal, &m_panel);
    layout->addWidget(splitter);
    auto* left = new QWidget;
    left->setObjectName("PanelLeft");
    auto* right = new QWidget;
    right->setObjectName("PanelRight");
    splitter->addWidget(left);
    splitter->addWidget(right);
    auto* inner = new QCheckBox(right);
    inner->setObjectName("InnerCheck");
    (new QVBoxLayout(&m_form))->addWidget(&m_panel);
    m_form.resize(400, 200);
    m_form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_form));
    splitter->setSizes({100, 280});
    const QList<int> saved = splitter->sizes();
    inner->setChecked(true);
    Save();
    const std::string text = ReadRaw();
    EXPECT_NE(text.find("PanelLeft.Width=" + std::to_string(saved[0]) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("InnerCheck=1\n"), std::string::npos) << text;

    splitter->setSizes({250, 130});
    ASSERT_NE(splitter->sizes(), saved);
    Restore();
    EXPECT_EQ(splitter->sizes(), saved);
}

TEST_F(SettingsTest, WindowMetByTheWalkGetsItsOwnSection)
{
    QWidget form;
    form.setObjectName("Form2");
    form.move(5, 6);
    form.resize(300, 200);
    auto* check = new QCheckBox(&form);
    check->setObjectName("Check");
    check->setChecked(true);
    {
        IniFile file(m_path);
        SaveControlTree(file, "Settings", &form);
    }
    EXPECT_EQ(ReadRaw(), "[Settings Form2]\nForm2.Top=6\nForm2.Left=5\nForm2.Width=300\nForm2.Height=200\nCheck=1\n");
    form.move(50, 60);
    check->setChecked(false);
    RestoreControlTree(IniFile(m_path), "Settings", &form);
    EXPECT_EQ(form.pos(), QPoint(5, 6));
    EXPECT_TRUE(check->isChecked());
}

TEST_F(SettingsTest, BoundsLeftZeroKeepsTheDesignedPlaceAndNegativeIsRestored)
{
    QWidget form;
    form.setObjectName("MainForm");
    form.move(408, 220);
    form.resize(657, 593);
    WriteRaw("[Settings]\nMainForm.Top=0\nMainForm.Left=0\nMainForm.Width=700\nMainForm.Height=0\n");
    RestoreBounds(IniFile(m_path), "Settings", &form);
    EXPECT_EQ(form.pos(), QPoint(408, 220));
    EXPECT_EQ(form.size(), QSize(700, 593));

    WriteRaw("[Settings]\nMainForm.Left=-1280\nMainForm.Top=$20\n");
    RestoreBounds(IniFile(m_path), "Settings", &form);
    EXPECT_EQ(form.pos(), QPoint(-1280, 32));
}

TEST_F(SettingsTest, BoundsUseTheNameAsSectionWhenNoneIsGiven)
{
    QWidget form;
    form.setObjectName("Dialog");
    form.move(10, 0);
    form.resize(300, 200);
    {
        IniFile file(m_path);
        SaveBounds(file, "", &form);
    }
    EXPECT_EQ(ReadRaw(), "[Dialog]\nDialog.Left=10\nDialog.Width=300\nDialog.Height=200\n");
}

TEST(RadioGroup, ItemIndexClampsLikeTheStoredIndexNeedsAndSignalsChanges)
{
    RadioGroup radio("Caption", {"a", "b", "c"}, 2);
    EXPECT_EQ(radio.Columns(), 2);
    EXPECT_EQ(radio.Items(), (QStringList {"a", "b", "c"}));
    QSignalSpy spy(&radio, &RadioGroup::ItemIndexChanged);
    EXPECT_EQ(radio.ItemIndex(), -1);
    radio.SetItemIndex(99);
    EXPECT_EQ(radio.ItemIndex(), 2);
    radio.SetItemIndex(-1);
    EXPECT_EQ(radio.ItemIndex(), -1);
    EXPECT_FALSE(radio.Button(2)->isChecked());
    radio.SetItemIndex(-5);
    radio.Button(0)->click();
    EXPECT_EQ(radio.ItemIndex(), 0);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), -1);
    EXPECT_EQ(spy.at(2).at(0).toInt(), 0);
}

} // namespace
