#pragma once

// Helpers shared by the save and restore walks (internal to the settings layer).

#include <string>
#include <vector>

#include <QList>
#include <QStringList>

class QWidget;
class QPlainTextEdit;

namespace veralith::settings::detail {

// The widget's objectName as a key; empty for Qt's own inner widgets ("qt_…").
std::string ControlName(const QWidget* control);

// True for the kinds that store a value; their child widgets are not walked.
bool IsStoredKind(const QWidget* control);

// The direct child widgets that the walk visits, in child order (windows excluded).
QList<QWidget*> WalkedChildren(const QWidget* control);

// A memo's lines: its text split at line breaks, a final line break adding no
// empty line, and no lines at all for an empty memo.
std::vector<std::string> MemoLines(const QPlainTextEdit* memo);
void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);

std::vector<std::string> ToStd(const QStringList& list);
QStringList ToQt(const std::vector<std::string>& list);

// "Cell.<column>.<row>", the key of a string grid's cell.
std::string CellKey(int column, int row);

} // namespace veralith::settings::detail
