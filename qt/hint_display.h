#pragma once
// How the program shows hints: after the pointer has rested 500 ms on a control that has one,
// for as long as the application's hint display time, as plain text that breaks at each line
// feed and shows "&" unchanged. A control without a hint text shows none (its group's may).

#include <QObject>

class HintDisplay : public QObject {
    Q_OBJECT
public:
    static HintDisplay& Instance();  // installed on the application at first use

    int hidePause() const { return hidePause_; }
    void setHidePause(int milliseconds) { hidePause_ = milliseconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HintDisplay();
    int hidePause_ = 10000;
};
