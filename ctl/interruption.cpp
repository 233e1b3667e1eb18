#include "interruption.h"

#include <csignal>
#include <ctime>
#include <initializer_list>

namespace {
StopSignal arrived = 0;
void Note(int signal) { arrived = signal; }
}  // namespace

void CatchInterruptions()
{
    struct sigaction action = {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool Interrupted() { return arrived != 0; }

int InterruptingSignal() { return arrived; }

std::string InterruptionReason()
{
    return arrived == SIGHUP ? "the terminal hung up" : "interrupted by signal " + std::to_string(arrived);
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
