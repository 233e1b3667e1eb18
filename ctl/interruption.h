#pragma once
// SIGINT, SIGTERM and SIGHUP to i815ctl: the handler only notes the signal. The program
// finishes the read-modify-write it is making, writes nothing more, and says what it did.

#include "field_settings.h"

void CatchInterruptions();
bool Interrupted();
// Where the handler notes the signal, for the writes of settings to look at between two.
const StopSignal* ArrivedSignal();
// The signal that came, 0 for none.
int InterruptingSignal();
// Waits up to `seconds`, less when a signal comes; returns false when one came.
bool SleepUnlessInterrupted(int seconds);
