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
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>

namespace veralith::settings {

using detail::ControlName;

void SaveBounds(IniFile& file, std::string section, QWidget* control)
{
    const std::string name = ControlName(control);
    try {
        if (section.empty()) {
            section = name;
        }
        WriteIntIfChanged(file, section, name + ".Top", control->y());
        WriteIntIfChanged(file, section, name + ".Left", control->x());
        WriteIntIfChanged(file, section, name + ".Width", control->width());
        WriteIntIfChanged(file, section, name + ".Height", control->height());
    } catch (const platform::IniFileError& error) {
        // Bounds are a convenience: a file that refuses them must not stop
        // the caller, which still hears why.
        qWarning("veralith: the bounds of %s were not saved: %s", name.c_str(), error.what());
    }
}

void SaveSplitSizes(IniFile& file, const std::string& section, QSplitter* splitter)
{
    const bool vertical = splitter->orientation() == Qt::Vertical;
    const QList<int> sizes = splitter->sizes();
    for (int i = 0; i < splitter->count() && i < sizes.size(); ++i) {
        const std::string name = ControlName(splitter->widget(i));
        if (!name.empty()) {
            WriteIntIfChanged(file, section, name + (vertical ? ".Height" : ".Width"), sizes[i]);
        }
    }
}

namespace {

void SaveCheckList(IniFile& file, const std::string& listSection, const QListWidget* list)
{
    file.EraseSection(listSection);
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        WriteTextIfChanged(
            file, listSection, item->text().toStdString(), item->checkState() == Qt::Checked ? "1" : "0");
    }
}

void SaveStringGrid(IniFile& file, const std::string& listSection, const QTableWidget* grid)
{
    file.EraseSection(listSection);
    WriteIntIfChanged(file, listSection, "RowCount", grid->rowCount());
    WriteIntIfChanged(file, listSection, "ColCount", grid->columnCount());
    for (int c = 0; c < grid->columnCount(); ++c) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QTableWidgetItem* item = grid->item(r, c);
            const std::string text = item == nullptr ? std::string() : item->text().toStdString();
            WriteTextIfChanged(file, listSection, detail::CellKey(c, r), ProtectText(text));
        }
    }
}

// Stores the control's own value by its kind.
void SaveControl(IniFile& file, const std::string& section, const std::string& name, QWidget* control)
{
    const std::string listSection = section + " " + name;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        WriteTextIfChanged(file, section, name, ProtectText(edit->text().toStdString()));
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable()) {
            SaveComboHistory(file, "History " + name, combo);
        } else {
            WriteTextIfChanged(file, section, name, ProtectText(combo->currentText().toStdString()));
        }
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        WriteIntIfChanged(file, section, name, spin->value());
    } else if (auto* radio = qobject_cast<RadioGroup*>(control)) {
        WriteIntIfChanged(file, section, name, radio->ItemIndex());
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        WriteIntIfChanged(file, section, name, slider->value());
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        WriteBoolIfChanged(file, section, name, check->isChecked());
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        SaveCheckList(file, listSection, list);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        if (!memo->isReadOnly()) {
            WriteStringsSection(file, listSection, detail::MemoLines(memo));
        }
    } else if (auto* values = qobject_cast<ValueListEditor*>(control)) {
        WriteIntIfChanged(file, section, name + ".Count", values->rowCount());
        WriteStringsSection(file, listSection, detail::ToStd(values->Rows()));
    } else if (auto* grid = qobject_cast<QTableWidget*>(control)) {
        SaveStringGrid(file, listSection, grid);
    }
}

} // namespace

void SaveControlTree(IniFile& file, std::string section, QWidget* control)
{
    const std::string name = ControlName(control);
    if (control->isWindow()) {
        section += " " + name;
        SaveBounds(file, section, control);
    }
    if (!name.empty()) {
        SaveControl(file, section, name, control);
    }
    if (detail::IsStoredKind(control)) {
        return;
    }
    if (auto* splitter = qobject_cast<QSplitter*>(control)) {
        SaveSplitSizes(file, section, splitter);
    }
    for (QWidget* child : detail::WalkedChildren(control)) {
        SaveControlTree(file, section, child);
    }
}

} // namespace veralith::settings
