#pragma once

// TMainForm: the program's one window.
//
// Pages "&Info" (the quick-start text), "&Find Duplicates" (tree, container,
// class, attribute and check mode, the container list, the Search button) and
// "&Results" (objects, their values, the log). Every control is a member named
// after its component, and that name is also its objectName, which the
// settings persistence stores it under.
//
// The window owns two directory contexts for its whole life: the navigation
// context, whose name context is the container the user has moved to (it
// serves the container, class and attribute lists), and the search context,
// switched to the same tree with its name context fixed at "[Root]" (it serves
// the search and the reading of the found objects, so found names are full
// names). Both are created at start-up when the client starts and freed when
// the window closes (or is destroyed).
//
// Handlers keep their component-event names and run on the window's thread.
// Selections the program makes raise no change event; setting the text of
// EditCurrentContainer to a different value does (GetContainerInfo).

#include "app/dialogs.h"
#include "app/list_controls.h"
#include "client/notices.h"
#include "client/scoped.h"
#include "util/feedback.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QMainWindow>

class QAbstractItemView;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QProgressBar;
class QTabWidget;

namespace veralith::settings {
class RadioGroup;
}

namespace veralith::app {

class ConflictGroupsView;

// The row of the tree list that start-up selects: the primary connection's
// tree (matched ignoring ASCII case), else the first row; -1 for an empty list.
int TreeRowToSelect(const StringListModel& trees, const std::string& primaryTree);

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // The run behind the Search button; it works on the window through its
    // public members.
    using SearchRun = std::function<void(TMainForm&)>;

    // Builds the window and runs FormCreate. The feedback hooks of the lower
    // layers (pending messages, busy cursor, message boxes) are routed to Qt
    // and to dialogs from here until the window is destroyed, when the
    // previous hooks come back. dialogs must outlive the window.
    explicit TMainForm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // The window's caption, also the application title of plain message boxes.
    static const char* const kCaption;

    Dialogs& DialogsInUse() { return m_dialogs; }

    // Sets the run that BitBtnSearchClick starts (an empty run: the button does
    // nothing). A new window runs RunFormSearch (app/form_search_run.h).
    void SetSearchRun(SearchRun run) { m_searchRun = std::move(run); }

    // The navigation and the search context (client::kNoContext when the
    // client did not start or after FormClose).
    client::DirContext NavigationContext() const { return m_navigationContext.get(); }
    client::DirContext SearchContext() const { return m_searchContext.get(); }

    // The container the navigation context is at, as shown: a full name with a
    // leading "." or a special name such as "[Root]". The base of every search.
    const std::string& CurrentContainer() const { return m_currentContainer; }

    // The last directory result: set by the tree change, the attribute-list
    // refill and the search run.
    std::int32_t LastResult() const { return m_lastResult; }
    void SetLastResult(std::int32_t result) { m_lastResult = result; }

    // The status bar's one text area.
    void SetStatusText(const std::string& text);
    std::string StatusText() const;

    // Components (in the order of the pages).
    QTabWidget* PageControl = nullptr;
    QWidget* TabSheetInfo = nullptr;
    QLabel* PanelTitle = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* LabelVersion = nullptr; // "Veralith <version>" below the quick-start text

    QWidget* TabSheetSelector = nullptr;
    QWidget* PanelSettings = nullptr;
    QLabel* Label1 = nullptr;
    ComboBox* ComboBoxTrees = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EditCurrentContainer = nullptr;
    QLabel* Label3 = nullptr;
    ComboBox* ComboBoxClasses = nullptr;
    QLabel* Label4 = nullptr;
    ComboBox* ComboBoxAttributes = nullptr;
    QWidget* PanelRadioGroup = nullptr;
    settings::RadioGroup* RadioGroupAttributeCheck = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* PanelContainers = nullptr;
    QLabel* PanelCaptionContainers = nullptr;
    ListBox* ListBoxContainers = nullptr;
    QWidget* PanelControl = nullptr;
    QWidget* Panel2 = nullptr;
    QPushButton* BitBtnSearch = nullptr;
    // Stops the run in progress; enabled only while one works.
    QPushButton* BitBtnStop = nullptr;
    QCheckBox* CheckBoxRecurse = nullptr;
    QWidget* Panel3 = nullptr;
    settings::RadioGroup* RadioGroupAlert = nullptr;
    // The compare options of the Duplicates check (app/form_compare.h).
    QGroupBox* GroupBoxCompare = nullptr;

    QWidget* TabSheetResults = nullptr;
    QSplitter* Splitter3 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* PanelSearchObjects = nullptr;
    QLabel* PanelCaptionObjects = nullptr;
    ListBox* ListBoxObjects = nullptr;
    QWidget* PanelAttributeValues = nullptr;
    QLabel* PanelCaptionAttributes = nullptr;
    ListBox* ListBoxAttributes = nullptr;
    QWidget* PanelLog = nullptr;
    QLabel* Panel1 = nullptr;
    ListBox* ListBoxLog = nullptr;
    QWidget* PanelGroups = nullptr;
    QLabel* PanelCaptionGroups = nullptr;
    // The duplicates grouped by value (app/form_compare.h).
    ConflictGroupsView* TreeGroups = nullptr;

    QStatusBar* StatusBar = nullptr;
    // The run's counts (objects found, values read) and, while it runs, its
    // progress (busy while searching, values read of the objects found after).
    QLabel* StatusCounts = nullptr;
    QProgressBar* ProgressBarRun = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* PopupMenuSave = nullptr;
    QAction* PopupMenuLoad = nullptr;
    QAction* PopupMenuClear = nullptr;
    QAction* PopupMenuRefresh = nullptr;
    // The control PopupMenu was last opened on.
    QWidget* PopupComponent = nullptr;

public slots:
    // Start-up: quick-start text, application title, Info page, client
    // start-up, the two contexts, the tree list with the primary (else the
    // first) tree selected and switched to, then "GUID" selected.
    void FormCreate();
    // Restores the window's bounds and the controls of PanelSettings and
    // PanelControl from the settings file; then the saved tree, container,
    // class and attribute take effect as if chosen by the user
    // (ApplySavedChoices).
    void FormShow();
    // Frees the two contexts, then saves the window's bounds and the controls
    // of PanelSettings and PanelControl, and writes back the saved choices
    // that never took effect (see ApplySavedChoices).
    void FormClose();
    // Switches both contexts to the tree shown in ComboBoxTrees and refills the
    // container, class and attribute lists. Nothing when no tree is shown.
    void ChangeTree();
    // Refills ComboBoxAttributes for the class shown, keeping the selected
    // attribute when the new list holds it.
    void ComboBoxClassesChange();
    // Refreshes the current container name, EditCurrentContainer and the
    // container list ("[ .. ]" on top below "[Root]").
    void GetContainerInfo();
    // Moves the navigation context to the selected container-list entry.
    void ListBoxContainersDblClick();
    // The user chose an attribute: a saved one that could not be restored is
    // given up.
    void ComboBoxAttributesChange();
    // Starts the search run.
    void BitBtnSearchClick();
    // Keep the selections of the object and value lists at the same row.
    void ListBoxObjectsClick();
    void ListBoxAttributesClick();
    // Saves the entries of the list PopupMenu was opened on (the groups tree:
    // its lines) to a chosen file.
    void PopupMenuSaveClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    QWidget* CreateInfoPage();
    QWidget* CreateSelectorPage();
    QWidget* CreateResultsPage();
    void AttachPopupMenu(QAbstractItemView* list);
    // The saved tree, container, class and attribute (read from the settings
    // file before the controls are restored) are selected in that order
    // through the handlers a user's choice runs, so the contexts and lists
    // follow them. An empty saved tree, container or attribute means no
    // choice. A saved item that the directory no longer offers leaves the
    // current one in place, is named in the status bar and is kept for the
    // settings file (so are all four when the directory could not be reached,
    // and the container, class and attribute of a tree that is missing) until
    // the user chooses another.
    void ApplySavedChoices();
    // Writes the kept saved choices back over what FormClose saved.
    void WriteKeptChoices();
    // Runs the handler of a control's event; an error it raises is shown as the
    // application's general error message (an error box with its text) instead
    // of leaving the event loop.
    void RunHandler(void (TMainForm::*handler)());

    Dialogs& m_dialogs;
    util::ScopedFeedbackHooks m_hooks;
    // The directory's notices (objects left out, references not followed,
    // server limits) go to the log of the Results page.
    client::ScopedNoticeHook m_notices;
    // While the directory waits for a server inside one call, the window
    // repaints; user input waits for the call to return, and so does closing
    // (closeEvent), which would free the context the call works on.
    bool m_inClientWait = false;
    client::ScopedWaitHook m_waiting;
    client::ScopedContext m_navigationContext;
    client::ScopedContext m_searchContext;
    std::string m_currentContainer;
    std::int32_t m_lastResult = 0;
    SearchRun m_searchRun;
    // Saved choices not in effect, by the control's objectName.
    std::map<std::string, std::string> m_keptChoices;
};

} // namespace veralith::app
