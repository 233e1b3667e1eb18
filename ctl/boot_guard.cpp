#include "boot_guard.h"

#include "exit_status.h"
#include "files.h"
#include "interruption.h"
#include "whole_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// The marker: its first line for people (the journal quotes it), its second for the guard.
//   apply of /etc/i815quarvel.conf started 2026-12-08 06:00:00
//   boot 5d1c6a8e-0c0b-4b8e-9f63-3c1f0f2b8f11 after 12.34 s
struct Marker {
    bool present = false;
    std::string started;
    std::string boot;
    double placedAt = 0;  // running time of this boot when it was made
};

Marker ReadMarker(const BootGuard& guard)
{
    Marker marker;
    marker.present = FileExists(guard.MarkerPath());
    if (!marker.present)
        return marker;
    std::istringstream in(SmallFileText(guard.MarkerPath()));  // "" for anything but a regular file
    std::getline(in, marker.started);
    if (!marker.started.empty() && marker.started.back() == '\r')  // written on Windows
        marker.started.pop_back();
    std::string line, word, after;
    std::getline(in, line);
    std::istringstream fields(line);
    if (!(fields >> word >> marker.boot >> after >> marker.placedAt) || word != "boot" || after != "after")
        marker.boot.clear();  // unreadable: not this boot's
    return marker;
}

bool FromThisBoot(const Marker& marker, const std::string& thisBoot)
{
    return marker.present && !thisBoot.empty() && marker.boot == thisBoot;
}

// The marker is made, renewed, judged and taken away under a lock of its own (MarkerLock), so
// that the guard never takes away a marker that an apply after resume has just renewed. Only
// our programs hold it, for a moment each: a wait longer than this is a fault, not a queue.
constexpr int LockSeconds = 10;

// The marker must be on the disk before the first write: a hang leaves no time to write it.
void WriteMarker(const BootGuard& guard, const std::string& profilePath, const std::string& thisBoot)
{
    char placedAt[32];
    std::snprintf(placedAt, sizeof placedAt, "%.2f", RunningSeconds());
    const std::string text = "apply of " + profilePath + " started " + LocalTimeNow() + "\nboot " +
                             (thisBoot.empty() ? "unknown" : thisBoot) + " after " + placedAt + " s\n";
    WriteFileSynced(guard.MarkerPath(), SystemTextLines(text));
    SyncFolder(guard.stateDir);
}

// Returns 0, or the reason (an errno) when the marker is there and could not be removed.
int RemoveMarker(const BootGuard& guard)
{
    const int error = RemoveFileIfThere(guard.MarkerPath());
    SyncFolder(guard.stateDir);
    return error;
}

// Returns whether this boot had a marker already (renewed rather than made).
bool PlaceMarker(const BootGuard& guard, const std::string& profilePath)
{
    MakeFolder(guard.stateDir, guard.privateFolder);
    const MarkerLock lock(guard.LockPath(), LockSeconds);
    if (!lock.held())
        throw StatusError(ExitFailure, profilePath + " not applied: " + lock.why());
    const std::string thisBoot = ThisBoot(guard.bootIdPath);
    const Marker marker = ReadMarker(guard);
    if (marker.present && !FromThisBoot(marker, thisBoot))
        throw StatusError(ExitFailure, profilePath + " not applied: the boot-time apply before (" + marker.started +
                                      ") did not see the machine through " + std::to_string(guard.settleSeconds) +
                                      " seconds, so it may have hung the machine; the chip stays as the BIOS set "
                                      "it. Mend the profile, then clear the marker: " +
                                      RemoveFileCommand(guard.MarkerPath(), guard.markerName == BootGuard{}.markerName));
    WriteMarker(guard, profilePath, thisBoot);
    return marker.present;
}

}  // namespace

void GuardedApply(const BootGuard& guard, const std::string& profilePath, const std::function<void(int& writes)>& apply)
{
    const bool renewed = PlaceMarker(guard, profilePath);
    int writes = 0;
    try {
        apply(writes);
    } catch (...) {
        // A refusal before any write (no access, not an i815, the throttle lock) hung nothing.
        if (writes == 0 && !renewed) {
            const MarkerLock lock(guard.LockPath(), LockSeconds);  // gone all the same without it
            RemoveMarker(guard);
        }
        throw;
    }
}

std::string SettleGuard(const BootGuard& guard)
{
    const std::string thisBoot = ThisBoot(guard.bootIdPath);
    for (;;) {
        double left = 0;
        {
            if (!FileExists(guard.MarkerPath()))
                return "";
            // A signal while waiting for the lock is a shutdown too: the marker goes without it.
            const MarkerLock lock(guard.LockPath(), LockSeconds);
            if (!lock.held() && !lock.interrupted())
                throw StatusError(ExitFailure, lock.why());
            const Marker marker = ReadMarker(guard);
            if (!FromThisBoot(marker, thisBoot))
                return "";
            left = marker.placedAt + guard.settleSeconds - RunningSeconds();
            // A signal while waiting is a shutdown or an operator, not a hang.
            if (left <= 0 || Interrupted()) {
                if (const int error = RemoveMarker(guard))
                    throw StatusError(ExitFailure, guard.MarkerPath() + ": cannot be removed: " + std::strerror(error));
                return guard.MarkerPath() + " removed: the machine " +
                       (left <= 0 ? "kept running " + std::to_string(guard.settleSeconds) + " seconds"
                                  : std::string("was stopped orderly")) +
                       " after the " + marker.started;
            }
        }
        SleepUnlessInterrupted(int(std::min(std::ceil(left), 60.0)));
    }
}
