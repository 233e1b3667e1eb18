#pragma once
// The files and clocks of i815ctl that are not whole files (whole_file.h) or dumps
// (dump_file.h): a profile read, the boot guard's marker and its folder, the local time, the
// time since the system started. Failures throw StatusError with the path in front.

#include <cstddef>
#include <cstdint>
#include <string>

// A regular file, whole, or its first `limit` bytes and some more when it is larger (so that
// the caller can say so). Never waits on a fifo or a device. Status 2: "PATH: cannot be read:
// why", "PATH: not a regular file". `ownersAlone`: what root acts on unattended must be
// root's (or this user's) alone; a file of another user, or one that its group or others may
// write, is refused (status 2, saying whose it is or how to close it). Windows 95 to XP keep no
// owner that this could ask, and take any file.
std::string ReadRegularFile(const std::string& path, size_t limit, bool ownersAlone = false);

// A folder that exists afterwards, made (0755) when missing; status 1, "FOLDER: cannot be
// made: why". `ownerOnly`: made 0700, and closed to others when it was open (a folder that is
// not the owner's or root's is refused, status 1); nothing of this on Windows.
void MakeFolder(const std::string& folder, bool ownerOnly = false);
// Makes the names in a folder durable (a rename, a new or removed file), where the system can.
void SyncFolder(const std::string& folder);

// Whether anything has the name `path` (a symbolic link too).
bool FileExists(const std::string& path);
// The first 4 KiB of a regular file; "" for anything else or when it cannot be read.
std::string SmallFileText(const std::string& path);
// Writes a small file in place, on the disk before the call returns (a hang leaves no time to
// write it): "PATH: cannot be made: why", "PATH: cannot be written", status 1, a failed file
// removed. A symbolic link is not followed.
void WriteFileSynced(const std::string& path, const std::string& text);
// Removes a file; 0 when it is gone or was not there, else the reason (an errno).
int RemoveFileIfThere(const std::string& path);
// How a user removes a file from the command line: "rm PATH", "sudo rm PATH" for one of the
// system's, "del "PATH"" on Windows.
std::string RemoveFileCommand(const std::string& path, bool systemFile);

// The lock between our programs for a marker: a file of its own (`path`), which only its owner
// may open (0600, made when missing; never a link, a stranger's file or anything but a plain
// file); on Windows a named mutex of the path. Waits at most `seconds`, and no longer once the
// program is asked to stop (interruption.h). held() tells whether it is held; else why() says
// why not, and interrupted() whether a signal ended the wait.
class MarkerLock {
public:
    MarkerLock(const std::string& path, int seconds);
    ~MarkerLock();
    MarkerLock(const MarkerLock&) = delete;
    MarkerLock& operator=(const MarkerLock&) = delete;
    bool held() const { return held_; }
    bool interrupted() const { return interrupted_; }
    const std::string& why() const { return why_; }

private:
    bool held_ = false;
    bool interrupted_ = false;
    std::string why_;
    std::intptr_t handle_ = -1;  // what the system holds it by: a descriptor, or a mutex
};

// The local time now, "2026-12-08 06:10:00", for headers and markers.
std::string LocalTimeNow();
// What tells this boot of the system from the others, one word; "" when it cannot be told.
// Linux: the kernel's boot_id from `bootIdPath`; Windows: the minute the system started.
std::string ThisBoot(const std::string& bootIdPath);
// The time the system has been running since it started; time asleep does not count, where
// the system can tell.
double RunningSeconds();
