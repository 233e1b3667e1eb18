#include "flock_wait_posix.h"

#include "interruption.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <sys/file.h>

LockWait WaitForFlock(int fd, int milliseconds, bool stopOnSignal)
{
    if (milliseconds < 0) {
        while (flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR)
                return LockWait::Failed;
            if (stopOnSignal)
                return LockWait::Interrupted;
        }
        return LockWait::Taken;
    }
    // A lock is held for one read-modify-write or one save: short waits first.
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(milliseconds);
    auto pause = microseconds(20);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // A signal between two tries interrupts no call: the handler's note tells of it.
        if (stopOnSignal && (errno == EINTR || Interrupted()))
            return LockWait::Interrupted;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return LockWait::Failed;
        if (steady_clock::now() >= deadline)
            return LockWait::TimedOut;
        const timespec step{0, long(duration_cast<nanoseconds>(pause).count())};
        if (nanosleep(&step, nullptr) != 0 && stopOnSignal)
            return LockWait::Interrupted;
        pause = std::min(pause * 2, microseconds(5000));
    }
    return LockWait::Taken;
}
