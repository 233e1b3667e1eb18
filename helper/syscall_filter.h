#pragma once
// The helper's own system-call filter, the same wherever it was started from (the socket
// service's unit has one of systemd's besides; a helper started through pkexec has only this):
// a classic-BPF allow-list of what serving requests needs once the chip's file and the locks
// are open. A call of another architecture ends the process; any other call fails with EPERM.
// Installed after the step down (no_new_privs makes that possible without privilege) and
// kept for good.

#include <optional>
#include <string>

// Why not, or nothing once in place.
std::optional<std::string> InstallSyscallFilter();
