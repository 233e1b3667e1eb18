#pragma once
// i815ctl on each system's own terms (ctl_system_posix.cpp, ctl_system_win32.cpp): where it
// finds the system, how its boot-time apply is guarded there, and what it tells a user whom
// the system refused the chip.

#include "chip_route.h"

#include <string>

// Where the program looks at the system; tests put temporary files in its place.
struct CtlSystem : RouteSystem {
    std::string lockdownPath = "/sys/kernel/security/lockdown";
    std::string stateDir = "/var/lib/i815quarvel";  // the boot-time apply's marker; empty: beside the profile
    int settleSeconds = 60;  // how long the machine must keep running after a boot-time apply
    bool settleInApply = false;  // apply --boot waits for the guard itself (no service beside it)
    std::string bootIdPath = "/proc/sys/kernel/random/boot_id";
    std::string cacheFolder = "/sys/devices/system/cpu/cpu0/cache";  // bench's buffers are sized from these
    std::string cpuinfoPath = "/proc/cpuinfo";
};

// The program's view of this system.
CtlSystem ThisSystem();

// Advice for a refusal whose errno-like reason is `reason`, on the route `choice` asked for;
// "" when there is none to give.
std::string AccessAdvice(int reason, const RouteChoice& choice, const CtlSystem& system);
