#include "boot_guard.h"

#include "exit_status.h"
#include "interruption.h"
#include "profile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The marker must be on the disk before the first write: a hang leaves no time to write it.
void PlaceMarker(const BootGuard& guard, const std::string& profilePath)
{
    if (mkdir(guard.stateDir.c_str(), 0755) != 0 && errno != EEXIST)
        throw StatusError(ExitFailure, guard.stateDir + ": cannot be made: " + std::strerror(errno));
    const std::string text = "apply of " + profilePath + " started " + LocalTimeNow() + "\n";
    const int fd = open(guard.MarkerPath().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw StatusError(ExitFailure, guard.MarkerPath() + ": cannot be made: " + std::strerror(errno));
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
    close(fd);
    if (!written) {
        unlink(guard.MarkerPath().c_str());
        throw StatusError(ExitFailure, guard.MarkerPath() + ": cannot be written");
    }
    SyncFolder(guard.stateDir);
}

void RemoveMarker(const BootGuard& guard)
{
    unlink(guard.MarkerPath().c_str());
    SyncFolder(guard.stateDir);
}

}  // namespace

void GuardedApply(const BootGuard& guard, const std::string& profilePath, const std::function<void(int& writes)>& apply)
{
    struct stat st;
    if (lstat(guard.MarkerPath().c_str(), &st) == 0) {
        std::ifstream marker(guard.MarkerPath());
        std::string started;
        std::getline(marker, started);
        throw StatusError(ExitFailure,
                          profilePath + " not applied: the boot-time apply before (" + started +
                              ") did not see the machine through " + std::to_string(guard.settleSeconds) +
                              " seconds, so it may have hung the machine; the chip stays as the BIOS set it. Mend "
                              "the profile, then clear the marker: sudo rm " + guard.MarkerPath());
    }
    PlaceMarker(guard, profilePath);
    int writes = 0;
    try {
        apply(writes);
    } catch (...) {
        // A refusal before any write (no access, not an i815, the throttle lock) hung nothing.
        if (writes > 0)
            SleepUnlessInterrupted(guard.settleSeconds);
        RemoveMarker(guard);
        throw;
    }
    // A signal while waiting is a shutdown or an operator, not a hang.
    SleepUnlessInterrupted(guard.settleSeconds);
    RemoveMarker(guard);
}
