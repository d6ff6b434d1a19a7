#include "settings/radio_group.h"

#include <QGridLayout>
#include <QRadioButton>

namespace veralith::settings {

RadioGroup::RadioGroup(QWidget* parent)
    : RadioGroup(QString(), parent)
{ }

RadioGroup::RadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
    , m_group(new QButtonGroup(this))
    , m_layout(new QGridLayout(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            const int index = ItemIndex();
            if (index != m_lastIndex) {
                m_lastIndex = index;
                emit ItemIndexChanged(index);
            }
        }
    });
}

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : RadioGroup(title, parent)
{
    SetColumns(columns);
    SetItems(items);
}

void RadioGroup::SetItems(const QStringList& items)
{
    const int old = ItemIndex();
    for (QAbstractButton* b : m_group->buttons()) {
        m_group->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        m_group->addButton(b, i);
    }
    m_lastIndex = -1;
    Relayout();
    if (old != -1) {
        emit ItemIndexChanged(-1);
    }
}

QStringList RadioGroup::Items() const
{
    QStringList result;
    for (int i = 0; i < Count(); ++i) {
        result << m_group->button(i)->text();
    }
    return result;
}

int RadioGroup::Count() const
{
    return static_cast<int>(m_group->buttons().size());
}

void RadioGroup::SetColumns(int columns)
{
    m_columns = columns < 1 ? 1 : columns;
    Relayout();
}

int RadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::SetItemIndex(int index)
{
    if (index < -1) {
        index = -1;
    }
    if (index >= Count()) {
        index = Count() - 1;
    }
    if (index == ItemIndex()) {
        return;
    }
    if (index == -1) {
        // An exclusive group refuses to uncheck its last checked button.
        m_group->setExclusive(false);
        m_group->checkedButton()->setChecked(false);
        m_group->setExclusive(true);
        m_lastIndex = -1;
        emit ItemIndexChanged(-1);
        return;
    }
    m_group->button(index)->setChecked(true); // idToggled emits ItemIndexChanged
}

QRadioButton* RadioGroup::Button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

void RadioGroup::Relayout()
{
    const int n = Count();
    const int rows = (n + m_columns - 1) / m_columns;
    for (int i = 0; i < n; ++i) {
        QAbstractButton* b = m_group->button(i);
        m_layout->removeWidget(b);
        m_layout->addWidget(b, rows == 0 ? 0 : i % rows, rows == 0 ? 0 : i / rows);
    }
}

} // namespace veralith::settings
