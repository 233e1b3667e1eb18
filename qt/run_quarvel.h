#pragma once
// The program's entry, common to the tool and the emulated program: the window on the chip
// that `access` reaches.

// Exit status: ExitNormal after a normal close, ExitFailure after the failure display,
// ExitBadInput when the host bridge is not an i815.
#include "exit_status.h"

class ConfigAccess;
class QuarvelApplication;

// Starts the application (StartApplication: where no display can be opened, the program ends
// there with status 1), then the window and its message loop.
int RunQuarvel(ConfigAccess& access, int& argc, char** argv);
// The window and its message loop, in an application that exists.
int RunQuarvel(ConfigAccess& access, QuarvelApplication& app);
