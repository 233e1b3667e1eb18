#include "display_check.h"

#include "quarvel_application.h"
#include "run_quarvel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

std::string program = "i815quarvel";
QtMessageHandler previousHandler = nullptr;
// Qt's own warnings while it looks for a display; shown only if it finds one.
QList<QPair<QtMsgType, QString>> heldBack;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

[[noreturn]] void NoDisplay(const std::string& why)
{
    const std::string line = program + ": " + why +
                             "; run it in a desktop session, over `ssh -X`, or under `xvfb-run` for a look\n";
    (void)!write(STDERR_FILENO, line.data(), line.size());
    _exit(ExitFailure);  // nothing to clean up: no window, no chip access yet
}

void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void DuringStart(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        heldBack.append({type, message});
        return;
    }
    const std::string platform = Environment("QT_QPA_PLATFORM");
    if (!platform.empty())
        NoDisplay("the window system \"" + platform + "\" (QT_QPA_PLATFORM) cannot be started");
    const std::string display = Environment("DISPLAY"), wayland = Environment("WAYLAND_DISPLAY");
    NoDisplay("the display \"" + (display.empty() ? wayland : display) + "\" cannot be opened");
}

bool PlatformChosen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return !Environment("QT_QPA_PLATFORM").empty();
}

}  // namespace

std::unique_ptr<QuarvelApplication> StartApplication(int& argc, char** argv)
{
    if (argc > 0 && argv[0]) {
        const char* slash = std::strrchr(argv[0], '/');
        program = slash ? slash + 1 : argv[0];
    }
    if (!PlatformChosen(argc, argv) && Environment("DISPLAY").empty() && Environment("WAYLAND_DISPLAY").empty())
        NoDisplay("no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)");

    heldBack.clear();
    previousHandler = qInstallMessageHandler(DuringStart);
    auto app = std::make_unique<QuarvelApplication>(argc, argv);
    // Task bars find the program's desktop entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QString::fromStdString(program));
    qInstallMessageHandler(previousHandler);
    for (const auto& held : heldBack)
        PassOn(held.first, QMessageLogContext(), held.second);
    heldBack.clear();
    return app;
}
