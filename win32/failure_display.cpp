#include "failure_display.h"

#include "help_texts.h"
#include "windows_text.h"

namespace {
bool shown = false;
}

void ShowFailure(const std::string& message, HWND owner)
{
    shown = true;
    MessageBoxA(owner, FailureText(WithFullStop(message)).c_str(), "i815 Quarvel", MB_OK | MB_ICONERROR);
}

bool FailureShown() { return shown; }
