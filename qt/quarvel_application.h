#pragma once
// The application object. A failure inside a handler must not cross Qt's event loop: it is
// caught where Qt delivers the event, shown by the failure display, and the loop goes on.

#include <QApplication>

#include <functional>

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

// The failure display: modal, one OK button, error icon, the application title; the text
// with a full stop as WithFullStop adds it.
void ShowFailure(const QString& message);
// Replace the box (tests); an empty handler restores it.
void SetFailureHandler(std::function<void(const QString&)> handler);
