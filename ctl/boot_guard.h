#pragma once
// The guard of the boot-time apply against a profile that hangs the machine. A wrong SDRAM
// timing can hang it at the moment it is written, and without a guard every boot would write
// it again. So the apply leaves a marker before its first write and returns; a second step,
// started beside it, takes the marker away once the machine has kept running for a while. A
// boot that finds the marker of an earlier boot still there applies nothing. The boot itself
// never waits for the guard.
//
// Windows has no service manager to start the second step beside the first: there i815ctl's
// apply --boot waits for the guard itself (profile_commands.cpp), and the marker lies beside
// the profile. The files and clocks are each system's own (files.h).

#include "paths.h"

#include <functional>
#include <string>

struct BootGuard {
    std::string stateDir;   // /var/lib/i815quarvel; on Windows the profile's folder
    int settleSeconds;      // 60
    std::string bootIdPath = "/proc/sys/kernel/random/boot_id";  // tells this boot from the others
    std::string markerName = "apply-in-progress";
    bool privateFolder = false;  // the system's state folder: root's alone (0700)
    std::string MarkerPath() const { return PathIn(stateDir, markerName); }
    // The lock of the marker's changes, beside it; in the system's folder no one else can open it.
    std::string LockPath() const { return PathIn(stateDir, markerName + ".lock"); }
};

// Runs `apply` under the guard for `profilePath`; `apply` counts its writes in its argument.
// Throws StatusError (status 1), applying nothing, when the marker of an earlier boot is still
// there. The marker of this boot (an apply again after resume) is renewed. An apply that fails
// before its first write takes away the marker it made.
void GuardedApply(const BootGuard& guard, const std::string& profilePath, const std::function<void(int& writes)>& apply);

// Waits until the machine has kept running for `settleSeconds` since this boot's latest
// guarded apply (time asleep does not count), then takes its marker away and returns a line
// saying so. A signal while waiting ends the wait the same way: a shutdown, not a hang. The
// marker of an earlier boot stays; without a marker there is nothing to do (an empty line).
std::string SettleGuard(const BootGuard& guard);
