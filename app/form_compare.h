#pragma once

// The window's part of the duplicate check's compare options and conflict
// groups: the "Compare" group on the Find Duplicates page (its controls are
// children of PanelControl, so the settings file keeps them with the other
// choices) and the groups tree on the Results page.

#include "app/run/conflict_groups.h"
#include "app/run/value_conflicts.h"

#include <cstdint>
#include <string>
#include <vector>

#include <QTreeWidget>

class QGroupBox;
class QWidget;

namespace veralith::app {

class TMainForm;

// Builds the group "GroupBoxCompare" ("Compare") under parent with:
// CheckBoxEachValue, RadioGroupMatch (ASCII case / exact / as the directory),
// MemoMoreAttributes (further attributes, one a line), RadioGroupUnique (within
// each attribute / across all / across other objects / in combination),
// MemoIgnoreValues (one a line; a line "" stands for the empty value) and
// MemoExcludeBases (containers, one a line).
QGroupBox* CreateCompareGroup(QWidget* parent);

// The compare options as the group under form holds them (plain options when
// the group is missing). Lines are trimmed of spaces at either end; empty
// lines are skipped.
CompareOptions ReadCompareOptions(const QWidget& form);

// The duplicates of the last run grouped by value: one top-level row per
// group ("VALUE (N objects)"), one child row per holder. Double-clicking a
// holder emits ObjectActivated with its object's name.
class ConflictGroupsView : public QTreeWidget
{
    Q_OBJECT

public:
    // name becomes the objectName.
    explicit ConflictGroupsView(const QString& name, QWidget* parent = nullptr);

    void ShowGroups(const std::vector<ConflictGroup>& groups);
    void ClearGroups();
    // The rows as ConflictGroupLines writes them (what Save writes).
    const std::vector<std::string>& Lines() const { return m_lines; }

signals:
    void ObjectActivated(const QString& object);

private:
    std::vector<std::string> m_lines;
    std::uint64_t m_showing = 0; // counts ClearGroups calls
};

// Shows every value of object (its entry of ListBoxAttributes, which holds all
// of them) in an information box titled by the object's name; nothing when
// the object is no longer in ListBoxObjects.
void ShowObjectValues(TMainForm& form, const std::string& object);

} // namespace veralith::app
