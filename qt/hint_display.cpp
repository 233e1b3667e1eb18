#include "hint_display.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace {

constexpr int HintPause = 500;

class HintTimingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return HintPause;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

HintDisplay& HintDisplay::Instance()
{
    static QPointer<HintDisplay> display;
    if (!display)
        display = new HintDisplay;
    return *display;
}

HintDisplay::HintDisplay() : QObject(qApp)
{
    QApplication::setStyle(new HintTimingStyle);
    qApp->installEventFilter(this);
}

bool HintDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->toolTip().isEmpty())
        return false;  // Qt passes the request on to the parent
    auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), hidePause_);
    return true;
}
