#include "run_window.h"

#include "main_form.h"
#include "failure_display.h"
#include "win32_form_window.h"

#include <exception>
#include <memory>

#include <commctrl.h>

int RunWindow(ConfigAccess& access, const std::function<void()>& atSessionEnd)
{
    InitCommonControls();  // the tab control, track bars and tooltips of comctl32
    std::unique_ptr<Win32FormWindow> window;
    try {
        window = std::make_unique<Win32FormWindow>(access);
        window->onSessionEnd = atSessionEnd;
        window->Construct();
        if (window->core().identityRefused())
            return ExitBadInput;  // not an i815: the window was never shown
        window->Show(SW_SHOWDEFAULT);
    } catch (const std::exception& failure) {
        window.reset();  // nothing of it may run during the failure display (its timer ticks)
        ShowFailure(failure.what());
        return ExitFailure;
    } catch (...) {
        window.reset();
        ShowFailure("Unknown failure");
        return ExitFailure;
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window->PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return FailureShown() ? ExitFailure : ExitNormal;
}
