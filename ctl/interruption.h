#pragma once
// SIGINT, SIGTERM and SIGHUP to i815ctl: the handler only notes the signal. The program
// finishes the read-modify-write it is making, writes nothing more, and says what it did.

void CatchInterruptions();
bool Interrupted();
// The signal that came, 0 for none.
int InterruptingSignal();
// Waits up to `seconds`, less when a signal comes; returns false when one came.
bool SleepUnlessInterrupted(int seconds);
