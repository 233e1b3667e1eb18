#include "boot_guard.h"

#include "exit_status.h"
#include "interruption.h"
#include "profile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string ThisBoot(const BootGuard& guard)
{
    std::ifstream in(guard.bootIdPath);
    std::string id;
    std::getline(in, id);
    return id;
}

// CLOCK_MONOTONIC stands still while the machine sleeps: only running time counts.
double RunningSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

Marker ReadMarker(const BootGuard& guard)
{
    Marker marker;
    struct stat st;
    marker.present = lstat(guard.MarkerPath().c_str(), &st) == 0;
    if (!marker.present || !S_ISREG(st.st_mode))
        return marker;
    std::ifstream in(guard.MarkerPath());
    std::getline(in, marker.started);
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

// The marker is made, renewed, judged and taken away under a lock on its folder, so that the
// guard never takes away a marker that an apply after resume has just renewed.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder) : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ >= 0)
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool held() const { return fd_ >= 0; }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

// The marker must be on the disk before the first write: a hang leaves no time to write it.
void WriteMarker(const BootGuard& guard, const std::string& profilePath, const std::string& thisBoot)
{
    char placedAt[32];
    std::snprintf(placedAt, sizeof placedAt, "%.2f", RunningSeconds());
    const std::string text = "apply of " + profilePath + " started " + LocalTimeNow() + "\nboot " +
                             (thisBoot.empty() ? "unknown" : thisBoot) + " after " + placedAt + " s\n";
    const int fd = open(guard.MarkerPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
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

// Returns false, with errno, when the marker is there and could not be removed.
bool RemoveMarker(const BootGuard& guard)
{
    const bool removed = unlink(guard.MarkerPath().c_str()) == 0 || errno == ENOENT;
    const int error = errno;
    SyncFolder(guard.stateDir);
    errno = error;
    return removed;
}

// Returns whether this boot had a marker already (renewed rather than made).
bool PlaceMarker(const BootGuard& guard, const std::string& profilePath)
{
    if (mkdir(guard.stateDir.c_str(), 0755) != 0 && errno != EEXIST)
        throw StatusError(ExitFailure, guard.stateDir + ": cannot be made: " + std::strerror(errno));
    const FolderLock lock(guard.stateDir);
    const std::string thisBoot = ThisBoot(guard);
    const Marker marker = ReadMarker(guard);
    if (marker.present && !FromThisBoot(marker, thisBoot))
        throw StatusError(ExitFailure, profilePath + " not applied: the boot-time apply before (" + marker.started +
                                      ") did not see the machine through " + std::to_string(guard.settleSeconds) +
                                      " seconds, so it may have hung the machine; the chip stays as the BIOS set "
                                      "it. Mend the profile, then clear the marker: " +
                                      (guard.markerName == BootGuard{}.markerName ? "sudo rm " : "rm ") + guard.MarkerPath());
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
            const FolderLock lock(guard.stateDir);
            RemoveMarker(guard);
        }
        throw;
    }
}

std::string SettleGuard(const BootGuard& guard)
{
    const std::string thisBoot = ThisBoot(guard);
    for (;;) {
        double left = 0;
        {
            const FolderLock lock(guard.stateDir);
            if (!lock.held())
                return "";
            const Marker marker = ReadMarker(guard);
            if (!FromThisBoot(marker, thisBoot))
                return "";
            left = marker.placedAt + guard.settleSeconds - RunningSeconds();
            // A signal while waiting is a shutdown or an operator, not a hang.
            if (left <= 0 || Interrupted()) {
                if (!RemoveMarker(guard))
                    throw StatusError(ExitFailure, guard.MarkerPath() + ": cannot be removed: " + std::strerror(errno));
                return guard.MarkerPath() + " removed: the machine " +
                       (left <= 0 ? "kept running " + std::to_string(guard.settleSeconds) + " seconds"
                                  : std::string("was stopped orderly")) +
                       " after the " + marker.started;
            }
        }
        SleepUnlessInterrupted(int(std::min(std::ceil(left), 60.0)));
    }
}
