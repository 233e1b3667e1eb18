// The lock between programs on Windows: a named mutex, whose name is the lock's path (a path
// names no file here).
#include "config_lock.h"

#include "named_mutex_win32.h"

namespace {

std::string WithCode(const std::string& what) { return what + " (error " + std::to_string(GetLastError()) + ")"; }

HANDLE Mutex(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

ConfigLock::ConfigLock(std::string path) : path_(std::move(path)) {}

ConfigLock::~ConfigLock()
{
    if (open_)
        CloseHandle(Mutex(handle_));
}

void ConfigLock::Open()
{
    if (open_)
        return;
    const HANDLE mutex = OpenNamedMutex(path_);
    if (!mutex)
        throw ConfigLockError(WithCode("The lock " + path_ + " cannot be opened"));
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    open_ = true;
}

void ConfigLock::Acquire()
{
    Open();
    switch (WaitForMutex(Mutex(handle_), TimeoutMilliseconds)) {
    case LockWait::Taken:
        return;
    case LockWait::TimedOut:
        throw ConfigLockBusy("The lock " + path_ + " has been held by another program for " +
                             std::to_string(TimeoutMilliseconds / 1000) + " seconds");
    default:
        throw ConfigLockError(WithCode("The lock " + path_ + " cannot be taken"));
    }
}

void ConfigLock::Release()
{
    if (open_)
        ReleaseMutex(Mutex(handle_));
}
