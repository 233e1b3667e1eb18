#include "radio_group_box.h"

#include <QButtonGroup>
#include <QRadioButton>

#include <algorithm>

RadioGroupBox::RadioGroupBox(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this))
{
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        buttons_.append(button);
    }
    // A click, or an arrow key that moves to another item.
    connect(group_, qOverload<QAbstractButton*>(&QButtonGroup::buttonClicked), this,
            [this](QAbstractButton* button) { emit picked(group_->id(button)); });
}

void RadioGroupBox::Show(int index)
{
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
        return;
    }
    // An exclusive group never lets its last checked button go; step out of it for a moment.
    group_->setExclusive(false);
    for (QRadioButton* button : buttons_)
        button->setChecked(false);
    group_->setExclusive(true);
}

// Items share the room below the caption in equal rows, as a column.
void RadioGroupBox::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    const QRect area = contentsRect().adjusted(2, 0, 0, -2);
    const int rowHeight = area.height() / std::max(1, int(buttons_.size()));
    for (int i = 0; i < buttons_.size(); ++i) {
        const QSize hint = buttons_[i]->sizeHint();
        buttons_[i]->setGeometry(area.left(), area.top() + i * rowHeight + (rowHeight - hint.height()) / 2,
                                 std::max(area.width(), hint.width()), hint.height());
    }
}
