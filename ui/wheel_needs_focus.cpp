#include "wheel_needs_focus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

void WheelNeedsFocus::Watch(QWidget* control)
{
    control->setFocusPolicy(Qt::StrongFocus);  // not Qt::WheelFocus: a wheel gives no focus
    control->installEventFilter(this);
}

bool WheelNeedsFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* control = static_cast<QWidget*>(watched);
    if (control->hasFocus())
        return false;
    if (QWidget* parent = control->parentWidget())
        QCoreApplication::sendEvent(parent, event);
    return true;
}
