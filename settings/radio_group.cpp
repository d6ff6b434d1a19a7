#include "settings/radio_group.h"

#include <QGridLayout>
#include <QRadioButton>

namespace veralith::settings {

RadioGroup::RadioGroup(QWidget* parent)
    : RadioGroup(QString(), parent)
{ }

RadioGroup::RadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
    , group_(new QButtonGroup(this))
    , layout_(new QGridLayout(this))
{
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            const int index = itemIndex();
            if (index != lastIndex_) {
                lastIndex_ = index;
                emit itemIndexChanged(index);
            }
        }
    });
}

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : RadioGroup(title, parent)
{
    setColumns(columns);
    setItems(items);
}

void RadioGroup::setItems(const QStringList& items)
{
    const int old = itemIndex();
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, i);
    }
    lastIndex_ = -1;
    Relayout();
    if (old != -1) {
        emit itemIndexChanged(-1);
    }
}

QStringList RadioGroup::items() const
{
    QStringList result;
    for (int i = 0; i < count(); ++i) {
        result << group_->button(i)->text();
    }
    return result;
}

int RadioGroup::count() const
{
    return static_cast<int>(group_->buttons().size());
}

void RadioGroup::setColumns(int columns)
{
    columns_ = columns < 1 ? 1 : columns;
    Relayout();
}

int RadioGroup::itemIndex() const
{
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1) {
        index = -1;
    }
    if (index >= count()) {
        index = count() - 1;
    }
    if (index == itemIndex()) {
        return;
    }
    if (index == -1) {
        // An exclusive group refuses to uncheck its last checked button.
        group_->setExclusive(false);
        group_->checkedButton()->setChecked(false);
        group_->setExclusive(true);
        lastIndex_ = -1;
        emit itemIndexChanged(-1);
        return;
    }
    group_->button(index)->setChecked(true); // idToggled emits itemIndexChanged
}

QRadioButton* RadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(group_->button(index));
}

void RadioGroup::Relayout()
{
    const int n = count();
    const int rows = (n + columns_ - 1) / columns_;
    for (int i = 0; i < n; ++i) {
        QAbstractButton* b = group_->button(i);
        layout_->removeWidget(b);
        layout_->addWidget(b, rows == 0 ? 0 : i % rows, rows == 0 ? 0 : i / rows);
    }
}

} // namespace veralith::settings
