// The files the window writes (a saved list, the settings file) come out
// unharmed whatever they are, and the real warning box of the duplicate check
// aborts the run only through its Abort button.

#include "app/dialogs.h"
#include "settings/radio_group.h"
#include "settings/settings_file.h"
#include "tests/platform/fifo_reader.h"
#include "window_fixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace veralith::app::testing {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

std::string ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t ModeOf(const fs::path& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class WindowFiles : public WindowTest
{
protected:
    fs::path Folder() const { return fs::path(m_settingsDir.path().toStdString()); }

    // Saves the container list to path through the popup menu's Save.
    void SaveContainersTo(const fs::path& path)
    {
        m_dialogs.SetNextSaveFile(QString::fromStdString(path.string()));
        emit m_form->ListBoxContainers->customContextMenuRequested(QPoint(4, 4));
        m_form->PopupMenuSave->trigger();
        m_form->PopupMenu->close();
    }

    const std::string m_kContainers = "[ .. ]\r\nArchive\r\nbeta\r\nStaff\r\n";
};

TEST_F(WindowFiles, SaveWritesThroughLinksKeepsModesAndTakesDashAsAName)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    fs::create_directory(Folder() / "lists");
    std::ofstream(Folder() / "lists" / "private.txt") << "older and longer content\n";
    ASSERT_EQ(chmod((Folder() / "lists" / "private.txt").c_str(), 0600), 0);
    fs::create_symlink("lists/private.txt", Folder() / "current.txt");

    struct Case
    {
        const char* chosen; // the file chosen in the dialog, in the folder
        const char* written; // the file that must hold the list
        mode_t mode; // its mode afterwards (0: that of a new file)
    };
    const Case cases[] = {
        {"current.txt", "lists/private.txt", 0600},
        {"lists/private.txt", "lists/private.txt", 0600},
        {"-", "-", 0},
    };
    const mode_t mask = umask(0);
    umask(mask);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        SaveContainersTo(Folder() / c.chosen);
        EXPECT_TRUE(m_dialogs.Messages().empty()) << m_dialogs.Messages().front().text.toStdString();
        EXPECT_EQ(ReadWhole(Folder() / c.written), m_kContainers);
        EXPECT_EQ(ModeOf(Folder() / c.written), c.mode != 0 ? c.mode : (0666 & ~mask));
        EXPECT_TRUE(fs::is_symlink(Folder() / "current.txt"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder() / "lists"), {}), 1) << "a temporary file was left";
}

TEST_F(WindowFiles, SaveIntoAFifoWritesToItsReader)
{
    Start();
    ShowPage(m_form->TabSheetSelector);
    const fs::path fifo = Folder() / "list.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    veralith::testing::FifoReader reader(fifo.string());
    ASSERT_TRUE(reader.Opened());
    SaveContainersTo(fifo);
    EXPECT_EQ(reader.Finish(), m_kContainers);
    EXPECT_TRUE(m_dialogs.Messages().empty());
    struct stat info
    {
    };
    ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(WindowFiles, ALinkedPrivateSettingsFileIsWrittenThroughItsLinkAndStaysPrivate)
{
    // The settings file of this program is a link into another folder, to a
    // file only its owner may read.
    Start();
    const std::string name = settings::SettingsFileName();
    m_form.reset();
    const fs::path settingsPath = fs::path(name).is_absolute() ? fs::path(name) : Folder() / name;
    ASSERT_EQ(settingsPath.parent_path(), Folder());
    fs::remove(settingsPath);
    fs::create_directory(Folder() / "kept");
    const fs::path real = Folder() / "kept" / "settings.ini";
    std::ofstream(real) << "[Settings]\nCheckBoxRecurse=0\n";
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    fs::create_symlink(real, settingsPath);

    Start();
    ShowPage(m_form->TabSheetSelector);
    m_form->CheckBoxRecurse->setChecked(true);
    EXPECT_TRUE(m_form->close());
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_TRUE(fs::is_symlink(settingsPath));
    EXPECT_EQ(ModeOf(real), 0600u);
    const std::string text = ReadWhole(real);
    EXPECT_NE(text.find("CheckBoxRecurse=1"), std::string::npos) << text;
    EXPECT_NE(text.find("ComboBoxTrees=ALPHA_TREE"), std::string::npos) << text;
}

// The program's real message boxes, each answered by a user's action on the
// box itself once it is open.
class ActingDialogs final : public Dialogs
{
public:
    std::function<void(QMessageBox&)> act;
    int boxes = 0;

    util::MessageBoxButton ShowMessageBox(
        QWidget* parent, util::MessageBoxKind kind, const QString& caption, const QString& text) override
    {
        ++boxes;
        QTimer::singleShot(0, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                act(*box);
            }
        });
        return m_real.ShowMessageBox(parent, kind, caption, text);
    }
    std::optional<QString> ExecuteSaveDialog(QWidget*, const SaveDialogOptions&) override { return std::nullopt; }

private:
    QtDialogs m_real;
};

TEST_F(WindowFiles, OnlyTheAbortButtonOfTheDuplicateBoxAbortsTheRun)
{
    struct Case
    {
        const char* action;
        std::function<void(QMessageBox&)> act;
        int boxes; // warning boxes shown
        Texts values; // the values read
    };
    const Texts all {"Miller", "MILLER", "Miller", "Jones"};
    const Case cases[] = {
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, 2, all},
        {"title-bar close", [](QMessageBox& box) { box.close(); }, 2, all},
        {"OK", [](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }, 2, all},
        {"Abort", [](QMessageBox& box) { box.button(QMessageBox::Abort)->click(); }, 1, {"Miller", "MILLER"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        ActingDialogs dialogs;
        dialogs.act = c.act;
        client::SetTreeSources({TestDataFile("run-tree.json")});
        directory::ResetNetWareStartupForTesting();
        m_form = std::make_unique<TMainForm>(dialogs);
        ShowPage(m_form->TabSheetSelector);
        UserDoubleClick(m_form->ListBoxContainers, "Sales");
        UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf("User"));
        m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("Surname"));
        m_form->RadioGroupAttributeCheck->SetItemIndex(0);
        m_form->RadioGroupAlert->SetItemIndex(0);
        QTest::mouseClick(m_form->BitBtnSearch, Qt::LeftButton);
        EXPECT_EQ(dialogs.boxes, c.boxes);
        EXPECT_EQ(Entries(m_form->ListBoxAttributes), c.values);
        m_form.reset();
    }
}

} // namespace
} // namespace veralith::app::testing
