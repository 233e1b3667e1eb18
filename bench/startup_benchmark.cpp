// How late a window is on the screen: the milliseconds from the start of main, and from the
// moment the application object exists, to the window's first paint. `startup_benchmark
// quarvel` times the emulated i815 window, `startup_benchmark bare` a bare Qt Widgets window
// with four tab pages of the same size. scripts/startup-bench.sh runs both side by side under
// Xvfb.
#include "emulated_i815.h"
#include "mechanism1_access.h"
#include "quarvel_application.h"
#include "quarvel_window.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QElapsedTimer sinceMain;
qint64 applicationReady = 0;

// Notes the first paint of the watched window, then ends the program.
class FirstFrame : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            const qint64 now = sinceMain.nsecsElapsed();
            std::printf("%.2f %.2f\n", double(now) / 1e6, double(now - applicationReady) / 1e6);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    sinceMain.start();
    const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
    int qtArgc = 1;
    QuarvelApplication app(qtArgc, argv);
    applicationReady = sinceMain.nsecsElapsed();
    FirstFrame frame;
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    std::unique_ptr<QWidget> window;
    if (bare) {
        auto* tabs = new QTabWidget;
        for (const char* caption : {"About", "AGP Configuration", "Chipset configuration", "Memory Configuration"})
            tabs->addTab(new QWidget, QString::fromLatin1(caption));
        tabs->resize(447 * 96 / 120, 354 * 96 / 120);
        window.reset(tabs);
    } else {
        window = std::make_unique<QuarvelWindow>(access);
    }
    window->installEventFilter(&frame);
    window->show();
    return app.exec();
}
