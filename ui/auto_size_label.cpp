#include "auto_size_label.h"

#include <QEvent>

AutoSizeLabel::AutoSizeLabel(const QString& text, const QRect& geometry, Qt::Alignment alignment,
                             QWidget* parent)
    : QLabel(text, parent), left_(geometry.left()), right_(geometry.left() + geometry.width())
{
    setAlignment(alignment);
    setTextFormat(Qt::PlainText);
    move(geometry.topLeft());
    FitToText();
}

void AutoSizeLabel::setText(const QString& text)
{
    QLabel::setText(text);
    FitToText();
}

void AutoSizeLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToText();
}

void AutoSizeLabel::FitToText()
{
    const QSize size = sizeHint();
    const int x = (alignment() & Qt::AlignRight) ? right_ - size.width() : left_;
    setGeometry(x, y(), size.width(), size.height());
}
