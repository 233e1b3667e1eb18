#include "interruption.h"

#include <csignal>
#include <ctime>

namespace {

StopSignal arrived = 0;
void Note(int signal) { arrived = signal; }

// Without SA_RESTART: a read that waits (a dump from a pipe, try's terminal) returns at once.
void Catch(int signal, bool unlessIgnored)
{
    struct sigaction action = {}, before = {};
    if (unlessIgnored && sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
        return;
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

void CatchInterruptions()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    Catch(SIGINT, false);
    Catch(SIGTERM, false);
    Catch(SIGHUP, true);
}

void CatchTryInterruptions()
{
    Catch(SIGQUIT, false);
    Catch(SIGTSTP, true);
}

void StopIfAsked()
{
    if (arrived != SIGTSTP)
        return;
    std::signal(SIGTSTP, SIG_DFL);
    std::raise(SIGTSTP);
}

bool Interrupted() { return arrived != 0; }

int InterruptingSignal() { return arrived; }

std::string InterruptionText()
{
    if (arrived == SIGHUP)
        return "the terminal hung up";
    if (arrived == SIGTSTP)
        return "suspended (Ctrl-Z)";
    return "interrupted by signal " + std::to_string(arrived);
}

const StopSignal* ArrivedSignal() { return &arrived; }

bool SleepUnlessInterrupted(int seconds)
{
    for (int tenths = 0; tenths < seconds * 10; ++tenths) {
        if (Interrupted())
            return false;
        const timespec tenth{0, 100 * 1000 * 1000};
        nanosleep(&tenth, nullptr);
    }
    return !Interrupted();
}
