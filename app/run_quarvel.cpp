#include "run_quarvel.h"

#include "Unit1.h"
#include "quarvel_application.h"

#include <exception>
#include <memory>

int RunQuarvel(int& argc, char** argv)
{
    QuarvelApplication app(argc, argv);
    try {
        auto window = std::make_unique<TMForm>();
        if (window->identityRefused())
            return ExitNotI815;
        window->show();
        app.exec();
    } catch (const std::exception& failure) {
        app.ReportFailure(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        app.ReportFailure(QStringLiteral("Unknown failure"));
    }
    return app.failureShown() ? ExitFailure : ExitNormal;
}
