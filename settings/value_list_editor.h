#pragma once

#include <QStringList>
#include <QTableWidget>

namespace veralith::settings {

// A two-column table of keys and values (headers "Key" and "Value"); every row
// reads as one text: its key, "=" and its value. The settings walk stores it as a
// list of those texts rather than cell by cell.
class ValueListEditor : public QTableWidget
{
    Q_OBJECT

public:
    explicit ValueListEditor(QWidget* parent = nullptr);

    // One text per row, key "=" value (an empty row gives "=").
    QStringList Rows() const;
    // Replaces all rows; each text is split at its first "=" (a text without "="
    // is all key and an empty value).
    void SetRows(const QStringList& rows);
    // Appends one row with an empty key and value.
    void AppendEmptyRow();
};

} // namespace veralith::settings
