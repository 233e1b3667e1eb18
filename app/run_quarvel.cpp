#include "run_quarvel.h"

#include "Unit1.h"
#include "display_check.h"
#include "end_on_signal.h"
#include "quarvel_application.h"

#include <exception>
#include <memory>

int RunQuarvel(int& argc, char** argv)
{
    const std::unique_ptr<QuarvelApplication> app = StartApplication(argc, argv);
    return RunQuarvel(*app);
}

int RunQuarvel(QuarvelApplication& app)
{
    EndOnSignal ending;
    try {
        auto window = std::make_unique<TMForm>();
        if (window->identityRefused())
            return ExitBadInput;  // not an i815
        if (ending.requested()) {  // a signal during a message box of the construction
            window->FormClose();
        } else {
            window->show();
            app.exec();
        }
    } catch (const std::exception& failure) {
        app.ReportFailure(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        app.ReportFailure(QStringLiteral("Unknown failure"));
    }
    return app.failureShown() ? ExitFailure : ExitNormal;
}
