#include "quarvel_application.h"

#include "help_texts.h"

#include <QMessageBox>

#include <exception>

namespace {

std::function<void(const QString&)> failureHandler;

}  // namespace

QuarvelApplication::QuarvelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("i815 Quarvel"));
    setApplicationDisplayName(QStringLiteral("i815 Quarvel"));
}

bool QuarvelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ReportFailure(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        ReportFailure(QStringLiteral("Unknown failure"));
    }
    return false;
}

void QuarvelApplication::ReportFailure(const QString& message)
{
    failureShown_ = true;
    ShowFailure(message);
}

void ShowFailure(const QString& message)
{
    const QString text = QString::fromStdString(WithFullStop(message.toStdString()));
    if (failureHandler) {
        failureHandler(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void SetFailureHandler(std::function<void(const QString&)> handler) { failureHandler = std::move(handler); }
