#pragma once
// The application object. A failure inside a handler must not cross Qt's event loop: it is
// caught where Qt delivers the event, shown by the failure display, and the loop goes on.

#include <QApplication>

class QuarvelApplication : public QApplication {
    Q_OBJECT
public:
    QuarvelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Whether the failure display has been shown during this run.
    bool failureShown() const { return failureShown_; }
    void ReportFailure(const QString& message);

private:
    bool failureShown_ = false;
};
