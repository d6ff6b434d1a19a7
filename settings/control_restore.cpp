#include "settings/combo_history.h"
#include "settings/control_kinds.h"
#include "settings/control_tree.h"
#include "settings/radio_group.h"
#include "settings/value_list_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>

namespace veralith::settings {

using detail::ControlName;

namespace {

// Bounds for counts read from the file: a damaged file must not make a table
// allocate millions of rows.
constexpr int kMaxTableExtent = 65535;
constexpr long long kMaxTableCells = 1000000;

QString ToQString(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

void RestoreBounds(const IniFile& file, std::string section, QWidget* control)
{
    const std::string name = ControlName(control);
    try {
        if (section.empty()) {
            section = name;
        }
        if (const int w = file.ReadInteger(section, name + ".Width", 0); w != 0) {
            control->resize(w, control->height());
        }
        if (const int h = file.ReadInteger(section, name + ".Height", 0); h != 0) {
            control->resize(control->width(), h);
        }
        if (const int left = file.ReadInteger(section, name + ".Left", 0); left != 0) {
            control->move(left, control->y());
        }
        if (const int top = file.ReadInteger(section, name + ".Top", 0); top != 0) {
            control->move(control->x(), top);
        }
    } catch (const platform::IniFileError& error) {
        // Bounds are a convenience: the window opens where it was designed
        // to, and the reason goes to standard error.
        qWarning("veralith: the bounds of %s were not restored: %s", name.c_str(), error.what());
    }
}

namespace {

void RestoreSize(const IniFile& file, const std::string& section, const std::string& name, QWidget* control)
{
    const int w = ReadIntKey(file, section, name + ".Width", control->width());
    const int h = ReadIntKey(file, section, name + ".Height", control->height());
    if (w != control->width() || h != control->height()) {
        control->resize(w, h);
    }
}

// Qt's splitter owns the sizes of its panes, so they go back through it.
void RestoreSplitSizes(const IniFile& file, const std::string& section, QSplitter* splitter)
{
    const bool vertical = splitter->orientation() == Qt::Vertical;
    QList<int> sizes = splitter->sizes();
    bool changed = false;
    for (int i = 0; i < splitter->count() && i < sizes.size(); ++i) {
        const std::string name = ControlName(splitter->widget(i));
        if (!name.empty()) {
            const int size = ReadIntKey(file, section, name + (vertical ? ".Height" : ".Width"), sizes[i]);
            changed = changed || size != sizes[i];
            sizes[i] = size < 0 ? 0 : size;
        }
    }
    if (changed) {
        splitter->setSizes(sizes);
    }
}

void RestoreCheckList(const IniFile& file, const std::string& listSection, QListWidget* list)
{
    list->clear();
    for (const std::string& key : file.ReadSection(listSection)) {
        auto* item = new QListWidgetItem(ToQString(key), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ReadBoolKey(file, listSection, key, false) ? Qt::Checked : Qt::Unchecked);
    }
}

void RestoreValueList(const IniFile& file, const std::string& section, const std::string& name,
    const std::string& listSection, ValueListEditor* values)
{
    std::vector<std::string> rows;
    ReadStringsSection(file, listSection, rows);
    values->SetRows(detail::ToQt(rows));
    const int count = ReadIntKey(file, section, name + ".Count", 0);
    while (values->rowCount() < count && values->rowCount() < kMaxTableExtent) {
        values->AppendEmptyRow();
    }
}

void RestoreStringGrid(const IniFile& file, const std::string& listSection, QTableWidget* grid)
{
    const int rows = ReadIntKey(file, listSection, "RowCount", grid->rowCount());
    const int cols = ReadIntKey(file, listSection, "ColCount", grid->columnCount());
    if (rows >= 0 && rows <= kMaxTableExtent && cols >= 0 && cols <= kMaxTableExtent &&
        static_cast<long long>(rows) * cols <= kMaxTableCells) {
        grid->setRowCount(rows);
        grid->setColumnCount(cols);
    }
    for (int c = 0; c < grid->columnCount(); ++c) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            QTableWidgetItem* item = grid->item(r, c);
            const std::string current = item == nullptr ? std::string() : item->text().toStdString();
            const std::string text = ReadTextKey(file, listSection, detail::CellKey(c, r), current);
            if (text != current) {
                grid->setItem(r, c, new QTableWidgetItem(ToQString(text)));
            }
        }
    }
}

void RestoreCombo(const IniFile& file, const std::string& section, const std::string& name, QComboBox* combo)
{
    const QSignalBlocker blocker(combo);
    const std::string stored = file.ReadString(section, name, combo->currentText().toStdString());
    if (combo->isEditable()) {
        LoadComboWithDefault(file, "History " + name, stored, combo);
    } else {
        combo->setCurrentIndex(combo->findText(ToQString(stored), Qt::MatchFixedString));
    }
}

// Restores the control's own value by its kind.
void RestoreControl(const IniFile& file, const std::string& section, const std::string& name, QWidget* control)
{
    const std::string listSection = section + " " + name;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        const QString text = ToQString(ReadTextKey(file, section, name, edit->text().toStdString()));
        if (text != edit->text()) {
            edit->setText(text);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        RestoreCombo(file, section, name, combo);
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        check->setChecked(ReadBoolKey(file, section, name, check->isChecked()));
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(ReadIntKey(file, section, name, spin->value()));
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        slider->setValue(ReadIntKey(file, section, name, slider->value()));
    } else if (auto* radio = qobject_cast<RadioGroup*>(control)) {
        radio->SetItemIndex(ReadIntKey(file, section, name, radio->ItemIndex()));
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        std::vector<std::string> lines;
        ReadStringsSection(file, listSection, lines);
        detail::SetMemoLines(memo, lines);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        RestoreCheckList(file, listSection, list);
    } else if (auto* values = qobject_cast<ValueListEditor*>(control)) {
        RestoreValueList(file, section, name, listSection, values);
    } else if (auto* grid = qobject_cast<QTableWidget*>(control)) {
        RestoreStringGrid(file, listSection, grid);
    }
}

} // namespace

void RestoreControlTree(const IniFile& file, std::string section, QWidget* control)
{
    const std::string name = ControlName(control);
    if (control->isWindow()) {
        section += " " + name;
        RestoreBounds(file, section, control);
    }
    if (!name.empty()) {
        // A window's size is its bounds, restored above with their own rules.
        if (!control->isWindow()) {
            RestoreSize(file, section, name, control);
        }
        RestoreControl(file, section, name, control);
    }
    if (detail::IsStoredKind(control)) {
        return;
    }
    for (QWidget* child : detail::WalkedChildren(control)) {
        RestoreControlTree(file, section, child);
    }
    if (auto* splitter = qobject_cast<QSplitter*>(control)) {
        RestoreSplitSizes(file, section, splitter);
    }
}

} // namespace veralith::settings
