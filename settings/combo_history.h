#pragma once

// The history of an editable combo box: its drop-down list, newest text first,
// kept in a history section of the settings file with the keys "Current" (the
// box's text), "Count" and "0", "1", … (the entries), every text enclosed in
// double quotes so that leading and trailing blanks survive.

#include "settings/settings_file.h"

#include <string>

class QComboBox;

namespace veralith::settings {

// The number of older entries AddToHistory keeps below a new one.
inline constexpr int kHistoryLimit = 30;

// When the combo box's text is not empty and no entry equals it (letter case
// ignored), the entry at index `limit` is removed if there is one and the text is
// inserted as the first entry, which becomes the selected one; the history thus
// holds at most limit + 1 entries. The text itself stays as it was.
void AddToHistory(QComboBox* comboBox, int limit = kHistoryLimit);

// AddToHistory; erases the history section; then writes "Current" (the text in
// double quotes, nothing when it is empty), "Count" (the number of entries,
// nothing when 0) and each entry i under "i" in double quotes. The quotes are
// added by plain concatenation. IniFileError passes through.
void SaveComboHistory(IniFile& file, const std::string& historySection, QComboBox* comboBox);

// Appends to the list every non-empty entry stored under "0" … "Count - 1" ("Count"
// defaults to 30) that is not an entry yet (letter case ignored), then sets the
// box's text to "Current" (default empty). A "Count" outside 0–255, which the
// program never writes, reads as no history at all; the text is still restored.
// Never raises.
void LoadComboHistory(const IniFile& file, const std::string& historySection, QComboBox* comboBox);

// LoadComboHistory; when the text is then empty it becomes defaultText; finally
// AddToHistory.
void LoadComboWithDefault(
    const IniFile& file, const std::string& historySection, const std::string& defaultText, QComboBox* comboBox);

} // namespace veralith::settings
