#include "run_quarvel.h"

#include "main_form.h"
#include "display_check.h"
#include "end_on_signal.h"
#include "quarvel_application.h"
#include "qt_form_window.h"

#include <exception>
#include <memory>

int RunQuarvel(ConfigAccess& access, int& argc, char** argv)
{
    const std::unique_ptr<QuarvelApplication> app = StartApplication(argc, argv);
    return RunQuarvel(access, *app);
}

int RunQuarvel(ConfigAccess& access, QuarvelApplication& app)
{
    EndOnSignal ending;
    try {
        QtFormWindow MForm(access);
        if (MForm.core().identityRefused())
            return ExitBadInput;  // not an i815
        if (ending.requested()) {  // a signal during a message box of the construction
            MForm.core().FormClose();
        } else {
            MForm.show();
            app.exec();
        }
    } catch (const std::exception& failure) {
        app.ReportFailure(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        app.ReportFailure(QStringLiteral("Unknown failure"));
    }
    return app.failureShown() ? ExitFailure : ExitNormal;
}
