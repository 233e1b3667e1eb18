#pragma once
// The lock between programs that use the chip: an flock on one file in a directory that only
// root can write (/run/i815quarvel); on Windows, where a path names no file, a named mutex.
// Every read-modify-write is made under it, held only for that long, so the window's helper,
// i815ctl and the boot-time apply can all run at once.
//
// Nobody else can create, hold, replace or delete it: the directory admits no other writer,
// and the file is opened by its owner only (0600), so no stranger gets the descriptor that
// an flock needs. The helper opens it as root, before it drops to its own user.

#include "config_access.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class ConfigLockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Another program of ours has held the lock for the whole time-out: worth waiting again.
class ConfigLockBusy : public ConfigLockError {
public:
    using ConfigLockError::ConfigLockError;
};

class ConfigLock : public CycleLock {
public:
    static constexpr const char* DefaultDirectory = "/run/i815quarvel";
    static constexpr const char* DefaultPath = "/run/i815quarvel/lock";
    static constexpr int TimeoutMilliseconds = 5000;

    explicit ConfigLock(std::string path = DefaultPath);
    ~ConfigLock() override;
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    // Opens the file, making its directory (0755) and the file (0600) when they are missing.
    // Refuses a directory that another user could write, and a file that is no plain file or
    // belongs to someone else: throws ConfigLockError. Acquire opens it when this was not done.
    void Open();
    // Waits while another program holds it; throws ConfigLockBusy after the time-out.
    void Acquire() override;
    void Release() override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::intptr_t handle_ = -1;  // the file's descriptor; on Windows a named mutex
    bool open_ = false;
};
