#include "settings/radio_group.h"
#include "settings/settings_file.h"
#include "settings/window_state.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

using namespace veralith::settings;
namespace fs = std::filesystem;

namespace {

// A window with the main window's two settings panels and the kinds of controls
// they hold, calling the entry points from its show and close handlers.
class TestForm : public QWidget
{
public:
    TestForm()
    {
        setObjectName("MainForm");
        move(408, 220);
        resize(657, 593);
        auto* layout = new QVBoxLayout(this);
        PanelSettings = Named<QWidget>(this, "PanelSettings");
        PanelControl = Named<QWidget>(this, "PanelControl");
        layout->addWidget(PanelSettings);
        layout->addWidget(PanelControl);

        auto* top = new QVBoxLayout(PanelSettings);
        top->addWidget(new QLabel("&Tree", PanelSettings));
        ComboBoxTrees = Named<QComboBox>(PanelSettings, "ComboBoxTrees");
        ComboBoxTrees->addItems({"CORP_TREE", "TEST_TREE"});
        EditCurrentContainer = Named<QLineEdit>(PanelSettings, "EditCurrentContainer");
        EditCurrentContainer->setReadOnly(true);
        EditCurrentContainer->setText("O=Corp");
        ComboBoxClasses = Named<QComboBox>(PanelSettings, "ComboBoxClasses");
        ComboBoxClasses->addItems({"", "Group", "User"});
        ComboBoxClasses->setCurrentIndex(2);
        ComboBoxAttributes = Named<QComboBox>(PanelSettings, "ComboBoxAttributes");
        ComboBoxAttributes->addItems({"CN", "Telephone Number"});
        ComboBoxFilter = Named<QComboBox>(PanelSettings, "ComboBoxFilter");
        ComboBoxFilter->setEditable(true);
        auto* strip = Named<QWidget>(PanelSettings, "PanelRadioGroup");
        RadioGroupAttributeCheck = Named<RadioGroup>(strip, "RadioGroupAttributeCheck");
        RadioGroupAttributeCheck->SetColumns(4);
        RadioGroupAttributeCheck->SetItems({"&Duplicates", "&Present", "&Not Present", "&Just Show"});
        RadioGroupAttributeCheck->SetItemIndex(0);
        for (QWidget* w : std::initializer_list<QWidget*> {
                 ComboBoxTrees, EditCurrentContainer, ComboBoxClasses, ComboBoxAttributes, ComboBoxFilter, strip}) {
            top->addWidget(w);
        }

        auto* bottom = new QHBoxLayout(PanelControl);
        auto* panel2 = Named<QWidget>(PanelControl, "Panel2");
        bottom->addWidget(panel2);
        Named<QPushButton>(panel2, "BitBtnSearch")->setText("&Search");
        CheckBoxRecurse = Named<QCheckBox>(panel2, "CheckBoxRecurse");
        auto* panel3 = Named<QWidget>(PanelControl, "Panel3");
        bottom->addWidget(panel3);
        RadioGroupAlert = Named<RadioGroup>(panel3, "RadioGroupAlert");
        RadioGroupAlert->SetItems({"&Popup", "&Log Message"});
        RadioGroupAlert->SetItemIndex(0);
    }

    void FormShow() { RestoreWindowState(this, PanelSettings, PanelControl); }
    void FormClose() { SaveWindowState(this, PanelSettings, PanelControl); }

    QWidget* PanelSettings;
    QWidget* PanelControl;
    QComboBox* ComboBoxTrees;
    QLineEdit* EditCurrentContainer;
    QComboBox* ComboBoxClasses;
    QComboBox* ComboBoxAttributes;
    QComboBox* ComboBoxFilter;
    RadioGroup* RadioGroupAttributeCheck;
    QCheckBox* CheckBoxRecurse;
    RadioGroup* RadioGroupAlert;

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        if (!event->spontaneous()) {
            FormShow();
        }
    }
    void closeEvent(QCloseEvent* event) override
    {
        FormClose();
        QWidget::closeEvent(event);
    }

private:
    template<class W>
    static W* Named(QWidget* parent, const char* name)
    {
        auto* w = new W(parent);
        w->setObjectName(name);
        return w;
    }
};

class WindowStateTest : public SettingsTest
{
protected:
    std::string SettingsPath() const { return (m_dir / "system" / SettingsFileName()).string(); }
};

TEST_F(WindowStateTest, FirstRunThenCloseWritesOnlyTheListedKeys)
{
    {
        TestForm form;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.move(408, 220);
        form.close();
    }
    EXPECT_EQ(ReadRaw(SettingsPath()),
        "[Settings]\n"
        "MainForm.Top=220\n"
        "MainForm.Left=408\n"
        "MainForm.Width=657\n"
        "MainForm.Height=593\n"
        "ComboBoxTrees=CORP_TREE\n"
        "EditCurrentContainer=O=Corp\n"
        "ComboBoxClasses=User\n"
        "ComboBoxAttributes=CN\n"
        "CheckBoxRecurse=0\n");
}

TEST_F(WindowStateTest, ChoicesMadeBeforeCloseAreThereInTheNextWindow)
{
    {
        TestForm form;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.move(300, 150);
        form.resize(700, 500);
        form.ComboBoxTrees->setCurrentIndex(1);
        form.ComboBoxClasses->setCurrentIndex(1);
        form.ComboBoxAttributes->setCurrentIndex(1);
        form.EditCurrentContainer->setText("OU=Sales.O=Corp");
        form.ComboBoxFilter->setEditText("first filter");
        QTest::keyClick(form.ComboBoxFilter, Qt::Key_Return);
        form.ComboBoxFilter->setEditText("second filter");
        form.RadioGroupAttributeCheck->Button(3)->click();
        form.RadioGroupAlert->Button(1)->click();
        QTest::mouseClick(form.CheckBoxRecurse, Qt::LeftButton);
        ASSERT_TRUE(form.CheckBoxRecurse->isChecked());
        form.close();
    }
    TestForm again;
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.pos(), QPoint(300, 150));
    EXPECT_EQ(again.size(), QSize(700, 500));
    EXPECT_EQ(again.ComboBoxTrees->currentText(), "TEST_TREE");
    EXPECT_EQ(again.ComboBoxClasses->currentText(), "Group");
    EXPECT_EQ(again.ComboBoxAttributes->currentText(), "Telephone Number");
    EXPECT_EQ(again.EditCurrentContainer->text(), "OU=Sales.O=Corp");
    EXPECT_EQ(again.ComboBoxFilter->currentText(), "second filter");
    ASSERT_EQ(again.ComboBoxFilter->count(), 2);
    EXPECT_EQ(again.ComboBoxFilter->itemText(1), "first filter");
    EXPECT_EQ(again.RadioGroupAttributeCheck->ItemIndex(), 3);
    EXPECT_EQ(again.RadioGroupAlert->ItemIndex(), 1);
    EXPECT_TRUE(again.CheckBoxRecurse->isChecked());
}

TEST_F(WindowStateTest, DamagedHistoryCountDoesNotStopTheRestore)
{
    const std::string path = SettingsPath();
    WriteRaw(path,
        "[Settings]\n"
        "ComboBoxAttributes=Telephone Number\n"
        "RadioGroupAttributeCheck=2\n"
        "CheckBoxRecurse=1\n"
        "RadioGroupAlert=1\n"
        "[History ComboBoxFilter]\n"
        "Current=\"typed text\"\n"
        "Count=4096\n"
        "0=\"old\"\n");
    TestForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.ComboBoxFilter->currentText(), "typed text");
    EXPECT_EQ(form.ComboBoxFilter->findText("old"), -1);
    EXPECT_EQ(form.ComboBoxAttributes->currentText(), "Telephone Number");
    EXPECT_EQ(form.RadioGroupAttributeCheck->ItemIndex(), 2);
    EXPECT_TRUE(form.CheckBoxRecurse->isChecked());
    EXPECT_EQ(form.RadioGroupAlert->ItemIndex(), 1);
}

TEST_F(WindowStateTest, RefusedWriteReachesTheCloseHandlerButBoundsDoNot)
{
    // Neither the system directory nor the per-user folder can take the file.
    WriteRaw((m_dir / "plain-file").string(), "");
    setenv("VERALITH_SYSTEM_DIR", (m_dir / "no-such-dir").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir / "plain-file" / "config").c_str(), 1);
    TestForm form;
    EXPECT_NO_THROW(SaveMainFormBounds(&form));
    EXPECT_THROW(SavePanelSettings(form.PanelSettings), IniFileError);
    EXPECT_NO_THROW(RestorePanelSettings(form.PanelSettings));
}

} // namespace
