#pragma once
// The window programs' common part: the window on the chip that `access` reaches, and its
// message loop until the window has closed.
//
// Exit status: ExitNormal after a normal close, ExitFailure when the failure display was shown
// (a failure that escaped the construction ends the program there; one inside a handler is
// shown and the loop goes on), ExitBadInput when the host bridge is not an i815.

#include "exit_status.h"

#include <functional>

class ConfigAccess;

// `atSessionEnd` runs when Windows ends the session while the window is open: the program is
// ended after that without leaving its message loop.
int RunWindow(ConfigAccess& access, const std::function<void()>& atSessionEnd = {});
