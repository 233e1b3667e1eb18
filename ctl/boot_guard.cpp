#include "boot_guard.h"

#include "exit_status.h"
#include "files.h"
#include "interruption.h"

namespace {

// The marker must be on the disk before the first write: a hang leaves no time to write it.
void PlaceMarker(const BootGuard& guard, const std::string& profilePath)
{
    MakeFolder(guard.stateDir);
    WriteNewFileSynced(guard.MarkerPath(), "apply of " + profilePath + " started " + LocalTimeNow() + "\n");
    SyncFolder(guard.stateDir);
}

void RemoveMarker(const BootGuard& guard)
{
    RemoveFile(guard.MarkerPath());
    SyncFolder(guard.stateDir);
}

}  // namespace

void GuardedApply(const BootGuard& guard, const std::string& profilePath, const std::function<void(int& writes)>& apply)
{
    if (FileExists(guard.MarkerPath())) {
        const std::string started = FirstLine(guard.MarkerPath());
        throw StatusError(ExitFailure,
                          profilePath + " not applied: the boot-time apply before (" + started +
                              ") did not see the machine through " + std::to_string(guard.settleSeconds) +
                              " seconds, so it may have hung the machine; the chip stays as the BIOS set it. Mend "
                              "the profile, then clear the marker: " + RemoveFileCommand(guard.MarkerPath()));
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
