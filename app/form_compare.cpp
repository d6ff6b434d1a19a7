#include "app/form_compare.h"

#include "app/main_form.h"
#include "app/qt_text.h"
#include "settings/radio_group.h"
#include "util/feedback.h"

#include <algorithm>

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace veralith::app {

namespace {

constexpr int kMemoHeight = 44;

settings::RadioGroup* AddRadioGroup(
    QVBoxLayout* column, const QString& name, const QString& caption, const QStringList& items, QWidget* parent)
{
    auto* group = new settings::RadioGroup(caption, parent);
    group->setObjectName(name);
    group->SetItems(items);
    group->SetColumns(1);
    group->SetItemIndex(0);
    column->addWidget(group);
    return group;
}

QPlainTextEdit* AddMemo(
    QVBoxLayout* column, const QString& name, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setToolTip(hint);
    memo->setFixedHeight(kMemoHeight);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* label = new QLabel(caption, parent);
    label->setBuddy(memo);
    column->addWidget(label);
    column->addWidget(memo);
    return memo;
}

std::vector<std::string> MemoEntries(const QWidget& form, const char* name, bool emptyMarker)
{
    std::vector<std::string> entries;
    const auto* memo = form.findChild<const QPlainTextEdit*>(QLatin1String(name));
    if (memo == nullptr) {
        return entries;
    }
    for (const QString& line : memo->toPlainText().split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (emptyMarker && trimmed == QLatin1String("\"\"")) {
            entries.emplace_back();
        } else if (!trimmed.isEmpty()) {
            entries.push_back(ToText(trimmed));
        }
    }
    return entries;
}

int RadioIndex(const QWidget& form, const char* name)
{
    const auto* group = form.findChild<const settings::RadioGroup*>(QLatin1String(name));
    return group != nullptr ? group->ItemIndex() : 0;
}

} // namespace

QGroupBox* CreateCompareGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Compare"), parent);
    box->setObjectName(QStringLiteral("GroupBoxCompare"));
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(2);

    auto* eachValue = new QCheckBox(QStringLiteral("&Each value separately"), box);
    eachValue->setObjectName(QStringLiteral("CheckBoxEachValue"));
    eachValue->setToolTip(QStringLiteral("Compare a multi-valued attribute's values one by one"));
    column->addWidget(eachValue);
    AddRadioGroup(column, QStringLiteral("RadioGroupMatch"), QStringLiteral("&Match"),
        {QStringLiteral("Ignoring case of A-Z"), QStringLiteral("Exactly"), QStringLiteral("As the directory")}, box);
    AddMemo(column, QStringLiteral("MemoMoreAttributes"), QStringLiteral("Also compare"),
        QStringLiteral("Further attributes compared with the chosen one, one a line"), box);
    AddRadioGroup(column, QStringLiteral("RadioGroupUnique"), QStringLiteral("&Unique"),
        {QStringLiteral("Within each attribute"), QStringLiteral("Across all"), QStringLiteral("Across other objects"),
            QStringLiteral("In combination")},
        box);
    AddMemo(column, QStringLiteral("MemoIgnoreValues"), QStringLiteral("Ignore values"),
        QStringLiteral("Values never compared, one a line; \"\" for the empty value"), box);
    AddMemo(column, QStringLiteral("MemoExcludeBases"), QStringLiteral("Exclude containers"),
        QStringLiteral("Containers whose objects are left out, one a line"), box);
    return box;
}

CompareOptions ReadCompareOptions(const QWidget& form)
{
    CompareOptions options;
    const auto* eachValue = form.findChild<const QCheckBox*>(QStringLiteral("CheckBoxEachValue"));
    options.eachValue = eachValue != nullptr && eachValue->isChecked();
    switch (RadioIndex(form, "RadioGroupMatch")) {
    case 1:
        options.match = MatchRule::Exact;
        break;
    case 2:
        options.match = MatchRule::Directory;
        break;
    default:
        options.match = MatchRule::Case;
        break;
    }
    switch (RadioIndex(form, "RadioGroupUnique")) {
    case 1:
        options.uniqueness = Uniqueness::AcrossAll;
        break;
    case 2:
        options.uniqueness = Uniqueness::AcrossOthers;
        break;
    case 3:
        options.uniqueness = Uniqueness::Combination;
        break;
    default:
        options.uniqueness = Uniqueness::PerAttribute;
        break;
    }
    options.moreAttributes = MemoEntries(form, "MemoMoreAttributes", false);
    options.ignoredValues = MemoEntries(form, "MemoIgnoreValues", true);
    options.excludedBases = MemoEntries(form, "MemoExcludeBases", false);
    return options;
}

ConflictGroupsView::ConflictGroupsView(const QString& name, QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(name);
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (item != nullptr && item->parent() != nullptr) {
            emit ObjectActivated(item->data(0, Qt::UserRole).toString());
        }
    });
}

void ConflictGroupsView::ClearGroups()
{
    clear();
    m_lines.clear();
    ++m_showing;
}

void ConflictGroupsView::ShowGroups(const std::vector<ConflictGroup>& groups)
{
    ClearGroups();
    const std::uint64_t showing = m_showing;
    // Built apart and handed over a slice at a time, the window's events
    // processed between slices, then expanded at once: one item at a time,
    // each expanded on its own, a run with 10,000 groups held the window for
    // a second, and all of them in one piece for a fifth of one. Cleared
    // meanwhile, the view stays empty.
    constexpr std::size_t kGroupsPerSlice = 1000;
    // Lets the window answer; false when the view was cleared meanwhile.
    const auto answered = [this, showing] {
        util::ProcessPendingMessages();
        return m_showing == showing;
    };
    for (std::size_t first = 0; first < groups.size(); first += kGroupsPerSlice) {
        if (first > 0 && !answered()) {
            return;
        }
        const std::size_t end = std::min(groups.size(), first + kGroupsPerSlice);
        QList<QTreeWidgetItem*> tops;
        tops.reserve(static_cast<qsizetype>(end - first));
        for (std::size_t g = first; g < end; ++g) {
            const ConflictGroup& group = groups[g];
            auto* top = new QTreeWidgetItem(QStringList {ToQString(ConflictGroupTitle(group))});
            const bool mixed = HasMixedAttributes(group);
            for (const ConflictGroupMember& member : group.members) {
                auto* child = new QTreeWidgetItem(top, {ToQString(ConflictMemberText(member, mixed))});
                child->setData(0, Qt::UserRole, ToQString(member.object));
            }
            tops.append(top);
        }
        addTopLevelItems(tops);
    }
    if (groups.size() > kGroupsPerSlice && !answered()) {
        return;
    }
    expandAll();
    m_lines = ConflictGroupLines(groups);
}

void ShowObjectValues(TMainForm& form, const std::string& object)
{
    const int row = form.ListBoxObjects->Items().IndexOf(object);
    if (row < 0 || row >= form.ListBoxAttributes->Items().Count()) {
        return;
    }
    util::ShowMessageBox(
        util::MessageBoxKind::Information, object + ":\r\n" + form.ListBoxAttributes->Items().TextAt(row));
}

} // namespace veralith::app
