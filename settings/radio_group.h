#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;
class QRadioButton;

namespace veralith::settings {

// A captioned group of mutually exclusive radio buttons laid out in columns, with
// the selection as one index: the "radio group" of the window and of the settings
// walk, which stores it as its item index.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit RadioGroup(QWidget* parent = nullptr);
    RadioGroup(const QString& title, QWidget* parent = nullptr);
    // A captioned group with one button per item laid out in `columns` columns;
    // no button is checked.
    RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);

    // Replaces the buttons by one per item, in order; the selection becomes -1.
    void SetItems(const QStringList& items);
    QStringList Items() const;
    int Count() const;

    // Number of columns the buttons are laid out in, filled column by column
    // (at least 1).
    void SetColumns(int columns);
    int Columns() const { return m_columns; }

    // Index of the checked button, -1 when none is checked.
    int ItemIndex() const;
    // Checks the button at index. An index below -1 counts as -1 (no button
    // checked); one at or beyond the count selects the last button. Emits
    // ItemIndexChanged when the selection changes.
    void SetItemIndex(int index);

    // The button at index, nullptr when out of range.
    QRadioButton* Button(int index) const;

signals:
    // Emitted whenever the selection changes, by the user or by SetItemIndex.
    void ItemIndexChanged(int index);

private:
    void Relayout();

    QButtonGroup* m_group;
    QGridLayout* m_layout;
    int m_columns = 1;
    int m_lastIndex = -1;
};

} // namespace veralith::settings
