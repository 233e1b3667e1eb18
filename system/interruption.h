#pragma once
// Signals to i815ctl: the handler only notes the signal. The program finishes the
// read-modify-write it is making, writes nothing more, and says what it did.
//
// SIGINT, SIGTERM and SIGHUP are caught everywhere; a SIGHUP that the program inherits ignored
// (nohup) stays ignored, so that a log-out does not stop an apply part-way. SIGPIPE is ignored:
// a reader gone is a failed write like any other, which ends the command as a signal does
// (standard_output.h). SIGXFSZ is ignored: a file-size limit fails the write of a file, which
// then leaves the old file as it was (whole_file.h), instead of killing the program half-way.
//
// POSIX: interruption.cpp. Windows: interruption_win32.cpp, where Ctrl+C, Ctrl+Break, the
// console window's closing, a log-off and the shutdown are the interruptions, noted under the C
// runtime's number of the signal for each.

#include "field_settings.h"

#include <string>

void CatchInterruptions();
// While try's question is up: Ctrl-\ (SIGQUIT) undoes as Ctrl-C does, and Ctrl-Z (SIGTSTP)
// undoes first; the program stops for real once it has said what it undid (StopIfAsked).
void CatchTryInterruptions();
// After a Ctrl-Z that try caught: stops the program now, as the terminal asked; it ends when
// continued.
void StopIfAsked();
bool Interrupted();
// Where the handler notes the signal, for the writes of settings to look at between two.
const StopSignal* ArrivedSignal();
// The signal that came, 0 for none.
int InterruptingSignal();
// The signal that came, in words for try's undo: "the terminal hung up", "suspended (Ctrl-Z)",
// "interrupted by signal 2"; on Windows "interrupted by Ctrl+C", "the console window was
// closed" and the like.
std::string InterruptionText();
// Waits up to `seconds`, less when a signal comes; returns false when one came.
bool SleepUnlessInterrupted(int seconds);
