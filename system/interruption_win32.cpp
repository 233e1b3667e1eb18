// Interruptions of i815ctl on Windows: Ctrl+C and Ctrl+Break at the console, the console
// window closing, the user logging off and Windows shutting down. The handler runs on a thread
// of its own and only notes the event, under the number of the C runtime's signal for it, as
// the signal handler of Linux does; the program finishes the read-modify-write it is making,
// writes nothing more (or undoes a try), says what it did, and ends.
#include "interruption.h"

#include <csignal>

#include <windows.h>

namespace {

StopSignal arrived = 0;
volatile DWORD event = 0;

BOOL WINAPI Note(DWORD type)
{
    event = type;
    arrived = type == CTRL_C_EVENT ? SIGINT : type == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT)
        return TRUE;
    // Windows ends the process once this returns, and after a few seconds in any case: until
    // then the program has the time to undo a try and to say so. Its own end ends this wait.
    Sleep(20000);
    return TRUE;
}

}  // namespace

void CatchInterruptions() { SetConsoleCtrlHandler(Note, TRUE); }

// The console has no Ctrl-\ and no Ctrl-Z that stops a program: Ctrl+Break, caught all along,
// is the other key that undoes a try.
void CatchTryInterruptions() {}

void StopIfAsked() {}

bool Interrupted() { return arrived != 0; }

int InterruptingSignal() { return arrived; }

const StopSignal* ArrivedSignal() { return &arrived; }

std::string InterruptionText()
{
    switch (event) {
    case CTRL_C_EVENT: return "interrupted by Ctrl+C";
    case CTRL_BREAK_EVENT: return "interrupted by Ctrl+Break";
    case CTRL_CLOSE_EVENT: return "the console window was closed";
    case CTRL_LOGOFF_EVENT: return "the user logged off";
    case CTRL_SHUTDOWN_EVENT: return "Windows is shutting down";
    default: return "interrupted";
    }
}

bool SleepUnlessInterrupted(int seconds)
{
    for (int tenths = 0; tenths < seconds * 10; ++tenths) {
        if (Interrupted())
            return false;
        Sleep(100);
    }
    return !Interrupted();
}
