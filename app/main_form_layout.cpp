// The components of TMainForm: pages, panels, controls, their captions, hints,
// sizes and initial states.

#include "app/form_compare.h"
#include "app/main_form.h"
#include "app/search_glyph.h"
#include "settings/radio_group.h"
#include "util/build_info.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace veralith::app {

namespace {

constexpr int kFontPixels = 12;
constexpr int kTitleFontPixels = 19;

QWidget* MakePanel(const QString& name, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    return panel;
}

// A raised caption strip above a list.
QLabel* MakeCaptionPanel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* panel = new QLabel(caption, parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFixedHeight(20);
    return panel;
}

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QVBoxLayout* MakeColumn(QWidget* panel, int margin = 0, int spacing = 0)
{
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

// A radio group with its first item selected.
settings::RadioGroup* MakeRadioGroup(
    const QString& name, const QString& caption, const QStringList& items, int columns, QWidget* parent)
{
    auto* group = new settings::RadioGroup(caption, parent);
    group->setObjectName(name);
    group->SetItems(items);
    group->SetColumns(columns);
    group->SetItemIndex(0);
    return group;
}

QSplitter* MakeSplitter(const QString& name, Qt::Orientation orientation, int handle, QWidget* parent)
{
    auto* splitter = new QSplitter(orientation, parent);
    splitter->setObjectName(name);
    splitter->setHandleWidth(handle);
    splitter->setChildrenCollapsible(false);
    return splitter;
}

} // namespace

void TMainForm::CreateComponents()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(ApplicationIcon());
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    setFont(font);
    move(408, 220);
    resize(657, 593);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setDocumentMode(false);
    PageControl->addTab(CreateInfoPage(), QStringLiteral("&Info"));
    PageControl->addTab(CreateSelectorPage(), QStringLiteral("&Find Duplicates"));
    PageControl->addTab(CreateResultsPage(), QStringLiteral("&Results"));
    setCentralWidget(PageControl);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    StatusCounts = new QLabel(StatusBar);
    StatusCounts->setObjectName(QStringLiteral("StatusCounts"));
    StatusBar->addPermanentWidget(StatusCounts);
    ProgressBarRun = new QProgressBar(StatusBar);
    ProgressBarRun->setObjectName(QStringLiteral("ProgressBarRun"));
    ProgressBarRun->setMaximumWidth(160);
    ProgressBarRun->setVisible(false);
    StatusBar->addPermanentWidget(ProgressBarRun);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    const auto addItem = [this](const QString& name, const QString& caption, bool visible) {
        QAction* action = PopupMenu->addAction(caption);
        action->setObjectName(name);
        action->setVisible(visible);
        return action;
    };
    PopupMenuSave = addItem(QStringLiteral("PopupMenuSave"), QStringLiteral("Save"), true);
    PopupMenuLoad = addItem(QStringLiteral("PopupMenuLoad"), QStringLiteral("Load"), false);
    PopupMenuClear = addItem(QStringLiteral("PopupMenuClear"), QStringLiteral("Clear"), false);
    PopupMenuRefresh = addItem(QStringLiteral("PopupMenuRefresh"), QStringLiteral("Refresh"), false);
    connect(PopupMenuSave, &QAction::triggered, this, [this] { RunHandler(&TMainForm::PopupMenuSaveClick); });
    for (ListBox* list : {ListBoxContainers, ListBoxObjects, ListBoxAttributes, ListBoxLog}) {
        AttachPopupMenu(list);
    }
    AttachPopupMenu(TreeGroups);
    connect(TreeGroups, &ConflictGroupsView::ObjectActivated, this,
        [this](const QString& object) { ShowObjectValues(*this, object.toStdString()); });

    connect(ComboBoxTrees, &ComboBox::Change, this, [this] { RunHandler(&TMainForm::ChangeTree); });
    connect(ComboBoxClasses, &ComboBox::Change, this, [this] { RunHandler(&TMainForm::ComboBoxClassesChange); });
    connect(ComboBoxAttributes, &ComboBox::Change, this, [this] { RunHandler(&TMainForm::ComboBoxAttributesChange); });
    connect(EditCurrentContainer, &QLineEdit::textChanged, this, [this] { RunHandler(&TMainForm::GetContainerInfo); });
    connect(ListBoxContainers, &ListBox::DblClick, this, [this] { RunHandler(&TMainForm::ListBoxContainersDblClick); });
    connect(BitBtnSearch, &QPushButton::clicked, this, [this] { RunHandler(&TMainForm::BitBtnSearchClick); });
    connect(ListBoxObjects, &ListBox::Click, this, [this] { RunHandler(&TMainForm::ListBoxObjectsClick); });
    connect(ListBoxAttributes, &ListBox::Click, this, [this] { RunHandler(&TMainForm::ListBoxAttributesClick); });
}

void TMainForm::AttachPopupMenu(QAbstractItemView* list)
{
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& position) {
        PopupComponent = list;
        PopupMenu->popup(list->viewport()->mapToGlobal(position));
    });
}

QWidget* TMainForm::CreateInfoPage()
{
    TabSheetInfo = MakePanel(QStringLiteral("TabSheetInfo"), nullptr);
    QVBoxLayout* page = MakeColumn(TabSheetInfo);

    PanelTitle = new QLabel(QStringLiteral("Quick Start"), TabSheetInfo);
    PanelTitle->setObjectName(QStringLiteral("PanelTitle"));
    PanelTitle->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelTitle->setAlignment(Qt::AlignCenter);
    PanelTitle->setFixedHeight(41);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(kTitleFontPixels);
    titleFont.setBold(true);
    PanelTitle->setFont(titleFont);
    page->addWidget(PanelTitle);

    Memo1 = new QPlainTextEdit(TabSheetInfo);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->addWidget(Memo1, 1);

    LabelVersion = new QLabel(QStringLiteral("Veralith ") + QString::fromLatin1(util::kVersion), TabSheetInfo);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setAlignment(Qt::AlignRight);
    LabelVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    page->addWidget(LabelVersion);
    return TabSheetInfo;
}

QWidget* TMainForm::CreateSelectorPage()
{
    TabSheetSelector = MakePanel(QStringLiteral("TabSheetSelector"), nullptr);
    QVBoxLayout* page = MakeColumn(TabSheetSelector);

    // The settings area: tree, context, class and attribute, the check mode below.
    PanelSettings = MakePanel(QStringLiteral("PanelSettings"), TabSheetSelector);
    PanelSettings->setFixedHeight(141);
    QVBoxLayout* settingsColumn = MakeColumn(PanelSettings, 4, 2);
    auto* grid = new QGridLayout();
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    settingsColumn->addLayout(grid);

    ComboBoxTrees = new ComboBox(QStringLiteral("ComboBoxTrees"), PanelSettings);
    ComboBoxTrees->setToolTip(QStringLiteral("Select Current Tree"));
    ComboBoxTrees->setMinimumWidth(220);
    Label1 = MakeLabel(QStringLiteral("Label1"), QStringLiteral("&Tree"), ComboBoxTrees, PanelSettings);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBoxTrees, 0, 1, Qt::AlignLeft);

    EditCurrentContainer = new QLineEdit(QStringLiteral("EditCurrentContainer"), PanelSettings);
    EditCurrentContainer->setObjectName(QStringLiteral("EditCurrentContainer"));
    EditCurrentContainer->setReadOnly(true);
    EditCurrentContainer->setFocusPolicy(Qt::ClickFocus);
    Label2 = MakeLabel(QStringLiteral("Label2"), QStringLiteral("Context"), nullptr, PanelSettings);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(EditCurrentContainer, 1, 1);

    ComboBoxClasses = new ComboBox(QStringLiteral("ComboBoxClasses"), PanelSettings);
    ComboBoxClasses->Items().SetSorted(true);
    Label3 = MakeLabel(QStringLiteral("Label3"), QStringLiteral("&Class"), ComboBoxClasses, PanelSettings);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(ComboBoxClasses, 2, 1);

    ComboBoxAttributes = new ComboBox(QStringLiteral("ComboBoxAttributes"), PanelSettings);
    ComboBoxAttributes->Items().SetSorted(true);
    Label4 = MakeLabel(QStringLiteral("Label4"), QStringLiteral("&Attribute"), ComboBoxAttributes, PanelSettings);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(ComboBoxAttributes, 3, 1);
    grid->setColumnStretch(1, 1);

    PanelRadioGroup = MakePanel(QStringLiteral("PanelRadioGroup"), PanelSettings);
    PanelRadioGroup->setFixedHeight(40);
    QVBoxLayout* radioStrip = MakeColumn(PanelRadioGroup);
    RadioGroupAttributeCheck =
        MakeRadioGroup(QStringLiteral("RadioGroupAttributeCheck"), QStringLiteral("&Attribute Check ... "),
            {QStringLiteral("&Duplicates"), QStringLiteral("&Present"), QStringLiteral("&Not Present"),
                QStringLiteral("&Just Show")},
            4, PanelRadioGroup);
    // One row of buttons under the caption, tight enough for the 40-pixel strip.
    RadioGroupAttributeCheck->layout()->setContentsMargins(8, 0, 8, 0);
    radioStrip->addWidget(RadioGroupAttributeCheck);
    settingsColumn->addStretch(1);
    settingsColumn->addWidget(PanelRadioGroup);
    page->addWidget(PanelSettings);

    // The container area left of the control column.
    Splitter1 = MakeSplitter(QStringLiteral("Splitter1"), Qt::Horizontal, 10, TabSheetSelector);
    PanelContainers = MakePanel(QStringLiteral("PanelContainers"), Splitter1);
    PanelContainers->setMinimumWidth(20);
    QVBoxLayout* containersColumn = MakeColumn(PanelContainers);
    PanelCaptionContainers = MakeCaptionPanel(
        QStringLiteral("PanelCaptionContainers"), QStringLiteral("Select Start Container"), PanelContainers);
    containersColumn->addWidget(PanelCaptionContainers);
    ListBoxContainers = new ListBox(QStringLiteral("ListBoxContainers"), PanelContainers);
    ListBoxContainers->setToolTip(QStringLiteral("Containers - Double-click to change"));
    ListBoxContainers->Items().SetSorted(true);
    containersColumn->addWidget(ListBoxContainers, 1);

    PanelControl = MakePanel(QStringLiteral("PanelControl"), Splitter1);
    PanelControl->setMinimumWidth(20);
    QVBoxLayout* controlColumn = MakeColumn(PanelControl);
    Panel2 = MakePanel(QStringLiteral("Panel2"), PanelControl);
    QVBoxLayout* searchColumn = MakeColumn(Panel2, 8, 8);
    BitBtnSearch = new QPushButton(SearchGlyph(), QStringLiteral("&Search"), Panel2);
    BitBtnSearch->setObjectName(QStringLiteral("BitBtnSearch"));
    BitBtnSearch->setIconSize(QSize(16, 16));
    BitBtnSearch->setMinimumHeight(30);
    searchColumn->addWidget(BitBtnSearch);
    BitBtnStop = new QPushButton(QStringLiteral("S&top"), Panel2);
    BitBtnStop->setObjectName(QStringLiteral("BitBtnStop"));
    BitBtnStop->setEnabled(false);
    searchColumn->addWidget(BitBtnStop);
    CheckBoxRecurse = new QCheckBox(QStringLiteral("&Recurse"), Panel2);
    CheckBoxRecurse->setObjectName(QStringLiteral("CheckBoxRecurse"));
    CheckBoxRecurse->setChecked(false);
    searchColumn->addWidget(CheckBoxRecurse);
    controlColumn->addWidget(Panel2);
    Panel3 = MakePanel(QStringLiteral("Panel3"), PanelControl);
    QVBoxLayout* alertColumn = MakeColumn(Panel3, 8, 0);
    RadioGroupAlert = MakeRadioGroup(QStringLiteral("RadioGroupAlert"), QStringLiteral("&Alert"),
        {QStringLiteral("&Popup"), QStringLiteral("&Log Message")}, 1, Panel3);
    alertColumn->addWidget(RadioGroupAlert);
    controlColumn->addWidget(Panel3);
    // The compare options scroll when the column is short.
    auto* compareScroll = new QScrollArea(PanelControl);
    compareScroll->setObjectName(QStringLiteral("ScrollBoxCompare"));
    compareScroll->setWidgetResizable(true);
    compareScroll->setFrameShape(QFrame::NoFrame);
    GroupBoxCompare = CreateCompareGroup(compareScroll);
    compareScroll->setWidget(GroupBoxCompare);
    controlColumn->addWidget(compareScroll, 1);

    Splitter1->addWidget(PanelContainers);
    Splitter1->addWidget(PanelControl);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({437, 190});
    page->addWidget(Splitter1, 1);
    return TabSheetSelector;
}

QWidget* TMainForm::CreateResultsPage()
{
    TabSheetResults = MakePanel(QStringLiteral("TabSheetResults"), nullptr);
    QVBoxLayout* page = MakeColumn(TabSheetResults);

    Splitter3 = MakeSplitter(QStringLiteral("Splitter3"), Qt::Vertical, 13, TabSheetResults);
    Splitter2 = MakeSplitter(QStringLiteral("Splitter2"), Qt::Horizontal, 10, Splitter3);

    PanelSearchObjects = MakePanel(QStringLiteral("PanelSearchObjects"), Splitter2);
    PanelSearchObjects->setMinimumWidth(20);
    QVBoxLayout* objectsColumn = MakeColumn(PanelSearchObjects);
    PanelCaptionObjects =
        MakeCaptionPanel(QStringLiteral("PanelCaptionObjects"), QStringLiteral("Objects"), PanelSearchObjects);
    objectsColumn->addWidget(PanelCaptionObjects);
    ListBoxObjects = new ListBox(QStringLiteral("ListBoxObjects"), PanelSearchObjects);
    ListBoxObjects->Items().SetSorted(true);
    objectsColumn->addWidget(ListBoxObjects, 1);

    PanelAttributeValues = MakePanel(QStringLiteral("PanelAttributeValues"), Splitter2);
    PanelAttributeValues->setMinimumWidth(20);
    QVBoxLayout* valuesColumn = MakeColumn(PanelAttributeValues);
    PanelCaptionAttributes = MakeCaptionPanel(
        QStringLiteral("PanelCaptionAttributes"), QStringLiteral("Attribute Values"), PanelAttributeValues);
    valuesColumn->addWidget(PanelCaptionAttributes);
    ListBoxAttributes = new ListBox(QStringLiteral("ListBoxAttributes"), PanelAttributeValues);
    valuesColumn->addWidget(ListBoxAttributes, 1);

    Splitter2->addWidget(PanelSearchObjects);
    Splitter2->addWidget(PanelAttributeValues);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({185, 452});

    // The log and, beside it, the duplicates grouped by value.
    auto* logSplitter = MakeSplitter(QStringLiteral("SplitterLogGroups"), Qt::Horizontal, 10, Splitter3);
    PanelLog = MakePanel(QStringLiteral("PanelLog"), logSplitter);
    QVBoxLayout* logColumn = MakeColumn(PanelLog);
    Panel1 = MakeCaptionPanel(QStringLiteral("Panel1"), QStringLiteral("Log"), PanelLog);
    logColumn->addWidget(Panel1);
    ListBoxLog = new ListBox(QStringLiteral("ListBoxLog"), PanelLog);
    logColumn->addWidget(ListBoxLog, 1);

    PanelGroups = MakePanel(QStringLiteral("PanelGroups"), logSplitter);
    QVBoxLayout* groupsColumn = MakeColumn(PanelGroups);
    PanelCaptionGroups =
        MakeCaptionPanel(QStringLiteral("PanelCaptionGroups"), QStringLiteral("Duplicates by Value"), PanelGroups);
    groupsColumn->addWidget(PanelCaptionGroups);
    TreeGroups = new ConflictGroupsView(QStringLiteral("TreeGroups"), PanelGroups);
    TreeGroups->setToolTip(QStringLiteral("Double-click an object to see all its values"));
    groupsColumn->addWidget(TreeGroups, 1);

    logSplitter->addWidget(PanelLog);
    logSplitter->addWidget(PanelGroups);
    logSplitter->setSizes({387, 260});

    Splitter3->addWidget(Splitter2);
    Splitter3->addWidget(logSplitter);
    Splitter3->setStretchFactor(0, 1);
    Splitter3->setStretchFactor(1, 0);
    Splitter3->setSizes({180, 301});
    page->addWidget(Splitter3, 1);
    return TabSheetResults;
}

} // namespace veralith::app
