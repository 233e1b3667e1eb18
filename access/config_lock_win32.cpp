// The lock between programs on Windows: a named mutex, whose name is the lock's path (a path
// names no file here). Windows 95/98/ME and NT alike have named mutexes; one whose owner
// ended without releasing it passes to the next waiter, as an flock does.
#include "config_lock.h"

#include <windows.h>

namespace {

std::string MutexName(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';  // a backslash would name a namespace
    return "i815quarvel:" + path;
}

std::string WithCode(const std::string& what) { return what + " (error " + std::to_string(GetLastError()) + ")"; }

}  // namespace

ConfigLock::ConfigLock(std::string path) : path_(std::move(path)) {}

ConfigLock::~ConfigLock()
{
    if (mutex_)
        CloseHandle(mutex_);
}

void ConfigLock::Open()
{
    if (mutex_)
        return;
    mutex_ = CreateMutexA(nullptr, FALSE, MutexName(path_).c_str());
    if (!mutex_)
        throw ConfigLockError(WithCode("The lock " + path_ + " cannot be opened"));
}

void ConfigLock::Acquire()
{
    Open();
    switch (WaitForSingleObject(mutex_, TimeoutMilliseconds)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return;
    case WAIT_TIMEOUT:
        throw ConfigLockBusy("The lock " + path_ + " has been held by another program for " +
                             std::to_string(TimeoutMilliseconds / 1000) + " seconds");
    default:
        throw ConfigLockError(WithCode("The lock " + path_ + " cannot be taken"));
    }
}

void ConfigLock::Release()
{
    if (mutex_)
        ReleaseMutex(mutex_);
}
