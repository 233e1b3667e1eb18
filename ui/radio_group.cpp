#include "radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>

#include <algorithm>

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this))
{
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        buttons_.append(button);
    }
    connect(group_, qOverload<QAbstractButton*, bool>(&QButtonGroup::buttonToggled), this,
            &RadioGroup::ButtonToggled);
}

void RadioGroup::setItemIndex(int index)
{
    if (index == itemIndex_)
        return;
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);  // ButtonToggled raises clicked()
        return;
    }
    // An exclusive group never lets its last checked button go; step out of it for a moment.
    group_->setExclusive(false);
    for (QRadioButton* button : buttons_)
        button->setChecked(false);
    group_->setExclusive(true);
    itemIndex_ = -1;
    emit clicked();
}

void RadioGroup::ButtonToggled(QAbstractButton* button, bool checked)
{
    if (!checked)
        return;
    itemIndex_ = group_->id(button);
    emit clicked();
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    PlaceButtons();
}

// Items share the room below the caption in equal rows, as a column.
void RadioGroup::PlaceButtons()
{
    if (buttons_.isEmpty())
        return;
    const QRect area = contentsRect().adjusted(2, 0, 0, -2);
    const int rowHeight = area.height() / buttons_.size();
    for (int i = 0; i < buttons_.size(); ++i) {
        const QSize hint = buttons_[i]->sizeHint();
        buttons_[i]->setGeometry(area.left(), area.top() + i * rowHeight + (rowHeight - hint.height()) / 2,
                                 std::max(area.width(), hint.width()), hint.height());
    }
}
