#pragma once
// The mouse wheel turns a list or a track bar only when the control has the focus (the user
// clicked or tabbed into it first), as in the toolkit the window was designed for. Otherwise
// the wheel goes on to the parent: scrolling over the Memory page must never pick
// "(!) DRAM in Self-Refresh Mode, Refresh Disabled" and hang the machine.

#include <QObject>

class QWidget;

class WheelNeedsFocus : public QObject {
public:
    explicit WheelNeedsFocus(QObject* parent) : QObject(parent) {}
    // The control takes the focus by click or tab only, and the wheel only when it has it.
    void Watch(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
