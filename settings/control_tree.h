#pragma once

// Saving and restoring the state of a widget and everything inside it, control by
// control, each stored by its kind under its objectName. Nothing lists the
// settings: whatever controls a container holds are saved and restored.
//
// Kinds, tried in this order (a subclass counts as its base):
//   QLineEdit           key name in section: the text
//   QComboBox editable  history section "History " + name (see combo_history.h)
//   QComboBox list      key name in section: the selected entry's text
//   QSpinBox            key name in section: the value
//   RadioGroup          key name in section: the selected index, -1 for none
//   QSlider             key name in section: the position
//   QCheckBox           key name in section: "1" or "0"
//   QListWidget         check list box; list section section + " " + name: one key
//                       per entry text (through NormalizeKey), "1" checked, "0" not
//   QPlainTextEdit      memo; list section: "0", "1", … one line each (not saved
//                       when read-only, restored always)
//   ValueListEditor     list section: "0", "1", … one row text each; name + ".Count"
//                       in section: the number of rows
//   QTableWidget        string grid; list section: "RowCount", "ColCount" and
//                       "Cell.<column>.<row>" in column-major order
//   QSplitter           every named pane: pane name + ".Height" (vertical splitter)
//                       or + ".Width" (horizontal) in section, the pane's extent
// A window met by the walk (the widget given, when it is a window) moves the
// section to section + " " + its name and has its bounds saved there.
//
// Widgets of the kinds above are leaves: their own child widgets (Qt's inner edit
// of a spin box, scroll bars, radio buttons) are not walked. Every other widget
// stores nothing of its own but has its child widgets walked in child order;
// child windows (dialogs, popup menus) are not. Names beginning with "qt_" (Qt's
// own inner widgets) count as no name. Qt tables have headers instead of fixed
// rows and columns, so no fixed counts are stored.
//
// Restoring sets values directly. Combo boxes are restored with their signals
// blocked, so that selections made by the restore never look like the user's;
// every other control emits its change signals as usual.

#include "settings/settings_file.h"

#include <string>

class QSplitter;
class QWidget;

namespace veralith::settings {

// Bounds of one widget under name + ".Top", ".Left", ".Width", ".Height" (its
// position, frame included for a window, and its size). An empty section means the
// widget's name. Save writes each key only when changed, in that order; restore
// reads ".Width", ".Height", ".Left", ".Top" (keys used as they stand) and applies
// each value that is not 0 at once, so a stored 0 or a missing key keeps the
// designed value. Both swallow every error.
void SaveBounds(IniFile& file, std::string section, QWidget* control);
void RestoreBounds(const IniFile& file, std::string section, QWidget* control);

// The extent of every named pane of the splitter (see the table above).
// IniFileError passes through.
void SaveSplitSizes(IniFile& file, const std::string& section, QSplitter* splitter);

// The recursive walks. Save lets IniFileError through (a refused write); restore
// never raises for anything a settings file may hold: values that are not numbers
// read as the control's current state, and counts outside sane bounds are ignored.
void SaveControlTree(IniFile& file, std::string section, QWidget* control);
void RestoreControlTree(const IniFile& file, std::string section, QWidget* control);

} // namespace veralith::settings
