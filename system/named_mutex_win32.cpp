#include "named_mutex_win32.h"

#include <cctype>

std::string FullPathName(const std::string& path)
{
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    std::string text = length > 0 && length < sizeof full ? std::string(full, length) : path;
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

HANDLE OpenNamedMutex(const std::string& name)
{
    std::string full = "i815quarvel:" + name;
    for (char& c : full)
        if (c == '\\')
            c = '/';
    return CreateMutexA(nullptr, FALSE, full.c_str());
}

LockWait WaitForMutex(HANDLE mutex, DWORD milliseconds)
{
    switch (WaitForSingleObject(mutex, milliseconds)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without letting go
        return LockWait::Taken;
    case WAIT_TIMEOUT:
        return LockWait::TimedOut;
    default:
        return LockWait::Failed;
    }
}
