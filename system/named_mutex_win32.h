#pragma once
// Named mutexes, the locks between our programs on Windows 95 to XP. One whose owner ended
// without releasing it passes to the next waiter, as an flock does.

#include "lock_wait.h"

#include <string>

#include <windows.h>

// The full path of a file or folder, in capitals: Windows' names do not tell case apart.
std::string FullPathName(const std::string& path);
// Opens the mutex "i815quarvel:NAME", making it when no program has it open; nullptr on failure
// (GetLastError tells why). A backslash in NAME would name a namespace: it becomes a slash.
HANDLE OpenNamedMutex(const std::string& name);
// Takes the mutex, waiting up to `milliseconds` (INFINITE: for as long as it takes).
LockWait WaitForMutex(HANDLE mutex, DWORD milliseconds);
