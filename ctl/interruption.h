#pragma once
// SIGINT, SIGTERM and SIGHUP to i815ctl: the handler only notes the signal. The program
// finishes the read-modify-write it is making, writes nothing more, and says what it did.

#include "field_settings.h"

#include <string>

void CatchInterruptions();
bool Interrupted();
// Where the handler notes the signal, for the writes of settings to look at between two.
const StopSignal* ArrivedSignal();
// The signal that came, 0 for none.
int InterruptingSignal();
// What interrupted the program, for a message: "the terminal hung up", "interrupted by
// signal 15". (On Windows, interruption_win32.cpp: Ctrl+C, Ctrl+Break, the console window
// closing, the session ending.)
std::string InterruptionReason();
// Waits up to `seconds`, less when a signal comes; returns false when one came.
bool SleepUnlessInterrupted(int seconds);
