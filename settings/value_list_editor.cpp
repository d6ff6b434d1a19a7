#include "settings/value_list_editor.h"

namespace veralith::settings {

namespace {

QString CellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item == nullptr ? QString() : item->text();
}

} // namespace

ValueListEditor::ValueListEditor(QWidget* parent)
    : QTableWidget(0, 2, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
}

QStringList ValueListEditor::Rows() const
{
    QStringList result;
    for (int r = 0; r < rowCount(); ++r) {
        result << CellText(this, r, 0) + QLatin1Char('=') + CellText(this, r, 1);
    }
    return result;
}

void ValueListEditor::SetRows(const QStringList& rows)
{
    setRowCount(0);
    setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const qsizetype eq = rows[r].indexOf(QLatin1Char('='));
        setItem(r, 0, new QTableWidgetItem(eq < 0 ? rows[r] : rows[r].left(eq)));
        setItem(r, 1, new QTableWidgetItem(eq < 0 ? QString() : rows[r].mid(eq + 1)));
    }
}

void ValueListEditor::AppendEmptyRow()
{
    setRowCount(rowCount() + 1);
}

} // namespace veralith::settings
