#pragma once
// The lock between programs that use the chip: an flock on one file under /run/lock. Every
// configuration cycle and every read-modify-write is made under it, held only for that long,
// so the window's helper, i815ctl and the boot-time apply can all run at once.

#include <stdexcept>
#include <string>

class ConfigLockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ConfigLock {
public:
    static constexpr const char* DefaultPath = "/run/lock/i815quarvel.lock";
    static constexpr int TimeoutMilliseconds = 5000;

    // The file is opened (created when it does not exist yet) at the first Acquire.
    explicit ConfigLock(std::string path = DefaultPath);
    ~ConfigLock();
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    // Waits while another program holds it; throws ConfigLockError after the time-out, or when
    // the file cannot be opened.
    void Acquire();
    void Release();

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// Holds a lock, when there is one, for as long as it lives.
class HeldLock {
public:
    explicit HeldLock(ConfigLock* lock) : lock_(lock)
    {
        if (lock_)
            lock_->Acquire();
    }
    ~HeldLock()
    {
        if (lock_)
            lock_->Release();
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    ConfigLock* lock_;
};
