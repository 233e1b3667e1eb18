#pragma once
// The application's failure display: a modal message box with one OK button, the error
// icon, the application title "i815 Quarvel", and the failure's text (see FailureText) with
// the full stop that WithFullStop adds. `owner` is the window it belongs to, or none.

#include <string>

#include <windows.h>

void ShowFailure(const std::string& message, HWND owner = nullptr);
// Whether the failure display has been shown during this run.
bool FailureShown();
