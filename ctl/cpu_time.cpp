#include "cpu_time.h"

#ifdef _WIN32
#include <windows.h>

double ProcessCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& t) {  // in units of 100 ns
        return double((unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

#else
#include <ctime>

double ProcessCpuSeconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
}
#endif
