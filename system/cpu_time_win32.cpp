// NT-family Windows counts each process's processor time; Windows 95, 98 and ME do not, and
// their GetProcessTimes fails (so it is looked up, not imported): there the time that passed
// stands in for it, and every round counts as one that had the processor to itself.
#include "cpu_time.h"

#include <chrono>

#include <windows.h>

double ProcessCpuSeconds()
{
    using GetProcessTimesFn = BOOL(WINAPI*)(HANDLE, FILETIME*, FILETIME*, FILETIME*, FILETIME*);
    static const auto getProcessTimes = reinterpret_cast<GetProcessTimesFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessTimes")));
    FILETIME created, ended, kernel, user;
    if (!getProcessTimes || !getProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    auto seconds = [](const FILETIME& t) {  // in units of 100 ns
        return double((unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
