#pragma once
// The guard of the boot-time apply against a profile that hangs the machine. A wrong SDRAM
// timing can hang it at the moment it is written, and without a guard every boot would write
// it again. So the apply leaves a marker before its first write and takes it away once it has
// finished and the machine has kept running for a while; a boot that finds the marker still
// there applies nothing.

#include "files.h"

#include <functional>
#include <string>

struct BootGuard {
    std::string stateDir;   // /var/lib/i815quarvel; on Windows the profile's folder
    int settleSeconds;      // 60
    std::string MarkerPath() const { return PathIn(stateDir, "apply-in-progress"); }
};

// Runs `apply` under the guard for `profilePath`; `apply` counts its writes in its argument.
// Throws StatusError (status 1), applying nothing, when the marker of an earlier apply is still
// there. An apply that fails before its first write leaves no marker behind.
void GuardedApply(const BootGuard& guard, const std::string& profilePath, const std::function<void(int& writes)>& apply);
