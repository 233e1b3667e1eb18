#pragma once
// The program's entry, common to the tool and the emulated program: the window on the chip
// that `access` reaches.

// Exit status: 0 after a normal close, 1 after the failure display, 2 when the host bridge is
// not an i815.
enum QuarvelExit { ExitNormal = 0, ExitFailure = 1, ExitNotI815 = 2 };

class ConfigAccess;
class QuarvelApplication;

// Starts the application (StartApplication: where no display can be opened, the program ends
// there with status 1), then the window and its message loop.
int RunQuarvel(ConfigAccess& access, int& argc, char** argv);
// The window and its message loop, in an application that exists.
int RunQuarvel(ConfigAccess& access, QuarvelApplication& app);
