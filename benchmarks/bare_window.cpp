// The yardstick for the window's start-up: a bare Qt Widgets window with four empty tab pages,
// the size of the i815 window, started the way ours is (no OpenGL integration) so that the two
// differ only in what the i815 window itself does. scripts/startup-bench.sh times both.
#include <QApplication>
#include <QTabWidget>
#include <QWidget>

#include <QtGlobal>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    QTabWidget tabs;
    for (const char* caption : {"About", "AGP Configuration", "Chipset configuration", "Memory Configuration"})
        tabs.addTab(new QWidget, QString::fromLatin1(caption));
    tabs.resize(447 * 96 / 120, 354 * 96 / 120);
    tabs.show();
    return app.exec();
}
