#include "settings/combo_history.h"

#include <QComboBox>

namespace veralith::settings {

namespace {

constexpr int kMaxStoredCount = 255;

// The combo box's own exact-text search, which ignores letter case.
int FindEntry(const QComboBox* comboBox, const QString& text)
{
    return comboBox->findText(text, Qt::MatchFixedString);
}

std::string Quoted(const QString& text)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on
    // "literal" + std::string in optimised builds.
    std::string quoted(1, '"');
    quoted += text.toStdString();
    quoted += '"';
    return quoted;
}

} // namespace

void AddToHistory(QComboBox* comboBox, int limit)
{
    const QString text = comboBox->currentText();
    if (text.isEmpty() || FindEntry(comboBox, text) >= 0) {
        return;
    }
    if (limit >= 0 && comboBox->count() > limit) {
        comboBox->removeItem(limit);
    }
    comboBox->insertItem(0, text);
    // Removing or inserting entries may move the selection and with it the text.
    comboBox->setCurrentIndex(0);
    comboBox->setEditText(text);
}

void SaveComboHistory(IniFile& file, const std::string& historySection, QComboBox* comboBox)
{
    AddToHistory(comboBox, kHistoryLimit);
    file.EraseSection(historySection);
    WriteTextIfChanged(file, historySection, "Current", Quoted(comboBox->currentText()));
    WriteIntIfChanged(file, historySection, "Count", comboBox->count());
    for (int i = 0; i < comboBox->count(); ++i) {
        WriteTextIfChanged(file, historySection, std::to_string(i), Quoted(comboBox->itemText(i)));
    }
}

void LoadComboHistory(const IniFile& file, const std::string& historySection, QComboBox* comboBox)
{
    int count = ReadIntKey(file, historySection, "Count", kHistoryLimit);
    if (count < 0 || count > kMaxStoredCount) {
        // A damaged file: treat it as no history rather than failing the restore.
        count = 0;
    }
    for (int i = 0; i < count; ++i) {
        const QString entry = QString::fromStdString(ReadTextKey(file, historySection, std::to_string(i), ""));
        if (!entry.isEmpty() && FindEntry(comboBox, entry) < 0) {
            comboBox->addItem(entry);
        }
    }
    comboBox->setEditText(QString::fromStdString(ReadTextKey(file, historySection, "Current", "")));
}

void LoadComboWithDefault(
    const IniFile& file, const std::string& historySection, const std::string& defaultText, QComboBox* comboBox)
{
    LoadComboHistory(file, historySection, comboBox);
    if (comboBox->currentText().isEmpty()) {
        comboBox->setEditText(QString::fromStdString(defaultText));
    }
    AddToHistory(comboBox, kHistoryLimit);
}

} // namespace veralith::settings
