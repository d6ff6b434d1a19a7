#include "app/list_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace veralith::app {

ListBox::ListBox(const QString& name, QWidget* parent)
    : QListView(parent)
    , m_items(new StringListModel(this))
{
    setObjectName(name);
    setModel(m_items);
    setUniformItemSizes(true);
    // Rows laid out a slice at a time between events: a list of a million
    // rows that grows during a search is laid out again after every change,
    // and in one piece that would hold the window for seconds.
    setLayoutMode(QListView::Batched);
    setBatchSize(kLayoutBatchRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QAbstractItemView::clicked, this, &ListBox::Click);
}

int ListBox::ItemIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::SetItemIndex(int row)
{
    if (row < 0 || row >= Count()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_items->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void ListBox::keyPressEvent(QKeyEvent* event)
{
    const int before = ItemIndex();
    QListView::keyPressEvent(event);
    if (ItemIndex() != before) {
        emit Click();
    }
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit DblClick();
    }
}

ComboBox::ComboBox(const QString& name, QWidget* parent)
    : QComboBox(parent)
    , m_items(new StringListModel(this))
{
    setObjectName(name);
    setEditable(false);
    setModel(m_items);
    connect(this, &QComboBox::activated, this, &ComboBox::Change);
}

void ComboBox::SetItemIndex(int row)
{
    setCurrentIndex(row >= 0 && row < m_items->Count() ? row : -1);
}

std::string ComboBox::Text() const
{
    const int row = currentIndex();
    return row >= 0 && row < m_items->Count() ? m_items->TextAt(row) : std::string();
}

std::int32_t ComboBox::SelectedValue() const
{
    const int row = currentIndex();
    return row >= 0 && row < m_items->Count() ? m_items->ValueAt(row) : 0;
}

} // namespace veralith::app
