#include "quarvel_application.h"

#include "program_messages.h"

#include <exception>

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
