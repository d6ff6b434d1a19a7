#pragma once

// The window's list box and drop-down list, each over a StringListModel.
//
// Change events follow the user, not the program: ListBox::Click comes from a
// mouse click on an entry or a keyboard move of the selection, DblClick from a
// double click anywhere in the list, ComboBox::Change from the user choosing
// an entry. Selections the program makes (SetItemIndex, filling the model)
// raise none of them.

#include "app/string_list_model.h"

#include <string>

#include <QComboBox>
#include <QListView>

namespace veralith::app {

class ListBox : public QListView
{
    Q_OBJECT

public:
    // name becomes the objectName.
    explicit ListBox(const QString& name, QWidget* parent = nullptr);

    StringListModel& Items() { return *m_items; }
    const StringListModel& Items() const { return *m_items; }
    int Count() const { return m_items->Count(); }

    // The selected row, -1 when none.
    int ItemIndex() const;
    // Selects row; -1 or a row outside the list clears the selection.
    void SetItemIndex(int row);

signals:
    void Click();
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    static constexpr int kLayoutBatchRows = 20000;
    StringListModel* m_items;
};

class ComboBox : public QComboBox
{
    Q_OBJECT

public:
    // A drop-down list (no typing); name becomes the objectName.
    explicit ComboBox(const QString& name, QWidget* parent = nullptr);

    StringListModel& Items() { return *m_items; }
    const StringListModel& Items() const { return *m_items; }

    // The selected row, -1 when none.
    int ItemIndex() const { return currentIndex(); }
    // Selects row; -1 or a row outside the list clears the selection.
    void SetItemIndex(int row);
    // The selected entry's text, empty when nothing is selected.
    std::string Text() const;
    // The selected entry's value, 0 when nothing is selected.
    std::int32_t SelectedValue() const;

signals:
    void Change();

private:
    static constexpr int kLayoutBatchRows = 20000;
    StringListModel* m_items;
};

} // namespace veralith::app
