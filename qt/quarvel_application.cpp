#include "quarvel_application.h"

#include "help_texts.h"

#include <QMessageBox>

#include <QtGlobal>

#include <exception>

namespace {

// The window draws nothing with OpenGL, yet Qt's X11 platform would load Mesa's driver at start,
// and LLVM with it: tens of megabytes of a 256 MB Pentium III, and SSE2 code that no processor
// without it has run. Set before the application object exists, unless the user chose one.
int& WithoutOpenGL(int& argc)
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    return argc;
}

std::function<void(const QString&)> failureHandler;

}  // namespace

QuarvelApplication::QuarvelApplication(int& argc, char** argv) : QApplication(WithoutOpenGL(argc), argv)
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
