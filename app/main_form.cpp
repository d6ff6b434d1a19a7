#include "app/main_form.h"

#include "app/form_compare.h"
#include "app/form_search_run.h"
#include "app/list_file.h"
#include "app/qt_text.h"
#include "directory/directory.h"
#include "settings/window_state.h"
#include "util/memo.h"

#include <exception>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>

namespace veralith::app {

namespace {

// The Info page's memo as the quick-start loader sees it.
class MemoAdapter final : public util::MemoLines
{
public:
    explicit MemoAdapter(QPlainTextEdit& memo)
        : m_memo(memo)
    { }
    void AppendLine(const std::string& line) override { m_memo.appendPlainText(ToQString(line)); }
    void ReplaceAllLines(const std::vector<std::string>& lines) override
    {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(lines.size()));
        for (const std::string& line : lines) {
            texts.append(ToQString(line));
        }
        m_memo.setPlainText(texts.join(QLatin1Char('\n')));
    }

private:
    QPlainTextEdit& m_memo;
};

// Selects in target the row selected in source; clears target's selection
// when it has no such row.
void KeepSelection(const ListBox& source, ListBox& target)
{
    const int row = source.ItemIndex();
    if (target.Count() < row + 1) {
        target.SetItemIndex(-1);
    } else {
        target.SetItemIndex(row);
    }
}

} // namespace

int TreeRowToSelect(const StringListModel& trees, const std::string& primaryTree)
{
    if (trees.Count() == 0) {
        return -1;
    }
    const int row = trees.IndexOf(primaryTree);
    return row >= 0 ? row : 0;
}

const char* const TMainForm::kCaption = "Veralith: Find Objects with Duplicate Attribute Values (and more)";

TMainForm::TMainForm(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_hooks(MakeFeedbackHooks(dialogs, this))
    , m_notices([this](const std::string& text) {
        if (ListBoxLog != nullptr) {
            ListBoxLog->Items().Add(text);
        }
    })
    , m_waiting([this] {
        m_inClientWait = true;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_inClientWait = false;
    })
    , m_searchRun(RunFormSearch)
{
    CreateComponents();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::SetStatusText(const std::string& text)
{
    StatusBar->showMessage(ToQString(text));
}

std::string TMainForm::StatusText() const
{
    return ToText(StatusBar->currentMessage());
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_inClientWait) {
        // Asked again once the directory's call has returned; a run then
        // ends quietly as on any close.
        event->ignore();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void TMainForm::RunHandler(void (TMainForm::*handler)())
{
    try {
        (this->*handler)();
    } catch (const std::exception& error) {
        util::ShowMessageBox(util::MessageBoxKind::Error, error.what());
    }
}

void TMainForm::FormCreate()
{
    MemoAdapter memo(*Memo1);
    util::LoadQuickStartText(memo);
    util::SetApplicationTitle(ToText(windowTitle()));
    PageControl->setCurrentWidget(TabSheetInfo);

    if (directory::InitNetWare() != 0) {
        return;
    }
    client::DirCreateContext(m_navigationContext.Out());
    client::DirCreateContext(m_searchContext.Out());

    // A failure while the trees are listed or the first tree is selected
    // must not keep the window from opening: it opens with what it has, and
    // the reason goes to standard error.
    try {
        util::StringList trees;
        directory::ListTrees(trees);
        ComboBoxTrees->Items().AddAll(trees);
        if (ComboBoxTrees->Items().Count() > 0) {
            ComboBoxTrees->SetItemIndex(TreeRowToSelect(ComboBoxTrees->Items(), directory::ReadPrimaryTree()));
            ChangeTree();
        }
    } catch (const std::exception& error) {
        qWarning("veralith: the tree list could not be shown: %s", error.what());
    } catch (...) {
        qWarning("veralith: the tree list could not be shown: an error without a description");
    }
    ComboBoxAttributes->SetItemIndex(ComboBoxAttributes->Items().IndexOf("GUID"));
}

void TMainForm::FormShow()
{
    ApplySavedChoices();
}

void TMainForm::FormClose()
{
    m_navigationContext.reset();
    m_searchContext.reset();
    // A settings file that refuses a write is reported; the window still closes.
    try {
        settings::SaveWindowState(this, PanelSettings, PanelControl);
        WriteKeptChoices();
    } catch (const std::exception& error) {
        util::ShowMessageBox(util::MessageBoxKind::Error, error.what());
    }
}

void TMainForm::ChangeTree()
{
    const std::string tree = ComboBoxTrees->Text();
    if (tree.empty()) {
        return;
    }
    m_keptChoices.clear();
    m_lastResult = directory::DSChangeCurrentTree(m_navigationContext.get(), tree);
    m_lastResult = directory::DSChangeCurrentTree(m_searchContext.get(), tree);
    util::ShowErrorCode(m_lastResult, "DSChangeCurrentTree");
    directory::SetContextFlags(m_navigationContext.get(), '+', client::DCV_TYPELESS_NAMES);
    directory::SetContextFlags(m_searchContext.get(), '+', client::DCV_TYPELESS_NAMES);
    directory::SetNameContextRoot(m_searchContext.get());
    GetContainerInfo();

    StringListModel& classes = ComboBoxClasses->Items();
    classes.Clear();
    util::StringList classList;
    directory::ReadClassList(m_navigationContext.get(), classList);
    classes.AddAll(classList);
    classes.Insert(0, std::string());
    ComboBoxClasses->SetItemIndex(classes.IndexOf("User"));
    ComboBoxClassesChange();
}

void TMainForm::ComboBoxClassesChange()
{
    m_keptChoices.erase(ComboBoxClasses->objectName().toStdString());
    m_keptChoices.erase(ComboBoxAttributes->objectName().toStdString());
    const std::string remembered = ComboBoxAttributes->Text();
    StringListModel& attributes = ComboBoxAttributes->Items();
    attributes.Clear();
    util::StringList attributeList;
    m_lastResult = directory::ReadClassAttributes(
        m_navigationContext.get(), ComboBoxClasses->Text(), directory::kModeAllAttributes, attributeList);
    attributes.AddAll(attributeList);
    ComboBoxAttributes->SetItemIndex(attributes.IndexOf(remembered));
}

void TMainForm::GetContainerInfo()
{
    util::BusyCursorScope busy;
    m_currentContainer = directory::WithLeadingDot(directory::ReadNameContext(m_navigationContext.get()));

    StringListModel& containers = ListBoxContainers->Items();
    containers.Clear();
    containers.SetSorted(true);
    util::StringList listed;
    directory::ListContainers(m_navigationContext.get(), m_currentContainer, listed);
    containers.AddAll(listed);
    containers.SetSorted(false);
    if (EditCurrentContainer->text() != QLatin1String("[Root]")) {
        containers.Insert(0, "[ .. ]");
    }

    // A different text raises the edit's change event, which runs this refresh
    // once more for the container now shown.
    m_currentContainer = directory::WithLeadingDot(directory::ReadNameContext(m_navigationContext.get()));
    EditCurrentContainer->setText(ToQString(m_currentContainer));
}

void TMainForm::ListBoxContainersDblClick()
{
    const int row = ListBoxContainers->ItemIndex();
    if (row < 0) {
        return;
    }
    const std::string target = directory::ChooseContainer(
        m_navigationContext.get(), ToText(EditCurrentContainer->text()), ListBoxContainers->Items().TextAt(row));
    directory::SetNameContext(m_navigationContext.get(), target);
    m_keptChoices.erase(EditCurrentContainer->objectName().toStdString());
    GetContainerInfo();
}

void TMainForm::ComboBoxAttributesChange()
{
    m_keptChoices.erase(ComboBoxAttributes->objectName().toStdString());
}

void TMainForm::BitBtnSearchClick()
{
    if (m_searchRun) {
        m_searchRun(*this);
    }
}

void TMainForm::ListBoxObjectsClick()
{
    KeepSelection(*ListBoxObjects, *ListBoxAttributes);
}

void TMainForm::ListBoxAttributesClick()
{
    KeepSelection(*ListBoxAttributes, *ListBoxObjects);
}

void TMainForm::PopupMenuSaveClick()
{
    SaveDialogOptions options;
    options.filter = QStringLiteral("Text files (*.txt);;All files (*.*)");
    options.filterIndex = 1;
    options.defaultExtension = QStringLiteral("txt");
    options.fileName = QStringLiteral("*.") + options.defaultExtension;
    options.confirmOverwrite = false;
    const std::optional<QString> fileName = m_dialogs.ExecuteSaveDialog(this, options);
    if (!fileName) {
        return;
    }
    std::vector<std::string> lines;
    if (const auto* list = qobject_cast<const ListBox*>(PopupComponent)) {
        lines = list->Items().Texts();
    } else if (const auto* groups = qobject_cast<const ConflictGroupsView*>(PopupComponent)) {
        lines = groups->Lines();
    } else {
        return;
    }
    if (const util::Status written = WriteLinesToFile(*fileName, lines); !written) {
        util::ShowMessageBox(util::MessageBoxKind::Error, written.Reason());
    }
}

} // namespace veralith::app
