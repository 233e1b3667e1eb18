#include "wrapping_tab_control.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>

#include <algorithm>

WrappingTabControl::WrappingTabControl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

int WrappingTabControl::addPage(QWidget* page, const QString& caption)
{
    page->setParent(this);
    pages_.append(page);
    captions_.append(caption);
    if (current_ < 0)
        current_ = 0;
    page->setVisible(pages_.size() - 1 == current_);
    LayOutTabs();
    return pages_.size() - 1;
}

void WrappingTabControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= pages_.size() || index == current_)
        return;
    current_ = index;
    for (int i = 0; i < pages_.size(); ++i)
        pages_[i]->setVisible(i == current_);
    LayOutTabs();
    update();
}

void WrappingTabControl::UserPicks(int index)
{
    if (index < 0 || index >= pages_.size() || index == current_)
        return;
    setCurrentIndex(index);
    emit pageChanged(index);
}

// Rows as high as the classic desktops make them, rather than the roomier ones of some styles,
// so that pages laid out for those rows keep their room.
int WrappingTabControl::CompactRowHeight() const
{
    return fontMetrics().height() + 5;
}

QSize WrappingTabControl::TabSize(int index) const
{
    QStyleOptionTab option;
    InitTabOption(&option, index);
    // As QTabBar measures a tab: the caption plus the style's tab padding. Measuring a caption
    // lays out its text; the tabs are laid out again for every page added and every resize.
    if (textSizes_.size() != captions_.size())
        textSizes_.resize(captions_.size());
    QSize& text = textSizes_[index];
    if (!text.isValid())
        text = fontMetrics().size(Qt::TextShowMnemonic, captions_[index]);
    const int hSpace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vSpace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize contents(text.width() + hSpace, text.height() + vSpace);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, contents, this);
}

void WrappingTabControl::InitTabOption(QStyleOptionTab* option, int index) const
{
    option->initFrom(this);
    option->shape = QTabBar::RoundedNorth;
    option->text = captions_.value(index);
    option->rect = tabRects_.value(index);
    option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (index == current_) {
        option->state |= QStyle::State_Selected;
        if (hasFocus())
            option->state |= QStyle::State_HasFocus;
    }
    const int row = rowOfTab_.value(index, 0);
    const bool first = index == 0 || rowOfTab_.value(index - 1, -1) != row;
    const bool last = index == captions_.size() - 1 || rowOfTab_.value(index + 1, -1) != row;
    option->position = first && last ? QStyleOptionTab::OnlyOneTab
                       : first       ? QStyleOptionTab::Beginning
                       : last        ? QStyleOptionTab::End
                                     : QStyleOptionTab::Middle;
    option->selectedPosition = QStyleOptionTab::NotAdjacent;
    if (index - 1 == current_ && !first)
        option->selectedPosition = QStyleOptionTab::PreviousIsSelected;
    else if (index + 1 == current_ && !last)
        option->selectedPosition = QStyleOptionTab::NextIsSelected;
}

// Fills rows from the left; when there is more than one row, each row is stretched to the full
// width and the row holding the current tab moves next to the page.
void WrappingTabControl::LayOutTabs()
{
    const int n = captions_.size();
    tabRects_ = QList<QRect>();
    rowOfTab_ = QList<int>();
    for (int i = 0; i < n; ++i) {
        tabRects_.append(QRect());
        rowOfTab_.append(0);
    }
    const int available = std::max(1, width() - 4);

    QList<QList<int>> rows{{}};
    int used = 0;
    rowHeight_ = 0;
    for (int i = 0; i < n; ++i) {
        const QSize size = TabSize(i);
        rowHeight_ = std::max(rowHeight_, std::min(size.height(), CompactRowHeight()));
        if (!rows.last().isEmpty() && used + size.width() > available) {
            rows.append(QList<int>());
            used = 0;
        }
        rows.last().append(i);
        used += size.width();
    }
    rowCount_ = n ? rows.size() : 0;

    int currentRow = 0;
    for (int r = 0; r < rows.size(); ++r)
        if (rows[r].contains(current_))
            currentRow = r;
    if (rows.size() > 1)
        rows.move(currentRow, rows.size() - 1);

    for (int r = 0; r < rows.size(); ++r) {
        int natural = 0;
        for (int i : rows[r])
            natural += TabSize(i).width();
        const int extra = rows.size() > 1 ? std::max(0, available - natural) : 0;
        int x = 2;
        for (int k = 0; k < rows[r].size(); ++k) {
            const int i = rows[r][k];
            int w = TabSize(i).width() + extra / rows[r].size();
            if (rows.size() > 1 && k == rows[r].size() - 1)
                w = available + 2 - x;
            tabRects_[i] = QRect(x, 2 + r * rowHeight_, w, rowHeight_);
            rowOfTab_[i] = r;
            x += w;
        }
    }

    const int top = 2 + rowCount_ * rowHeight_ - 1;
    pageArea_ = QRect(0, top, width(), height() - top);
    const QRect inside = pageArea_.adjusted(2, 2, -2, -2);
    for (QWidget* page : pages_)
        page->setGeometry(inside);
}

void WrappingTabControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = pageArea_;
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);

    for (int i = 0; i < captions_.size(); ++i)
        if (i != current_)
            DrawTab(painter, i);
    if (current_ >= 0)
        DrawTab(painter, current_);  // last: it overlaps its neighbours and joins the page
}

void WrappingTabControl::DrawTab(QPainter& painter, int index) const
{
    QStyleOptionTab option;
    InitTabOption(&option, index);
    // Some styles paint a selected tab taller than its rectangle, into the page.
    painter.save();
    painter.setClipRect(option.rect.adjusted(-2, -2, 2, 2));
    style()->drawControl(QStyle::CE_TabBarTab, &option, &painter, this);
    painter.restore();
}

void WrappingTabControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < tabRects_.size(); ++i) {
        if (tabRects_[i].contains(event->pos())) {
            UserPicks(i);
            return;
        }
    }
}

void WrappingTabControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        UserPicks(current_ + step);
        return;
    }
    QWidget::keyPressEvent(event);
}

void WrappingTabControl::resizeEvent(QResizeEvent*)
{
    LayOutTabs();
}

void WrappingTabControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        textSizes_.clear();
        LayOutTabs();
    }
    QWidget::changeEvent(event);
}
