#pragma once
// The program's entry, common to the tool and the emulated program: the port back end has
// been selected before.

// Exit status: 0 after a normal close, 1 after the failure display, 2 when the host bridge is
// not an i815.
enum QuarvelExit { ExitNormal = 0, ExitFailure = 1, ExitNotI815 = 2 };

int RunQuarvel(int& argc, char** argv);
