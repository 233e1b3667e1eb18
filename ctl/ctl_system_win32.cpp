#include "ctl_system.h"

#include <cerrno>

// Windows has no state folder of the system's: the boot guard's marker lies beside the profile.
// Nor has it a service manager to start apply --settle beside the log-on's apply --boot: that
// waits for the guard itself.
CtlSystem ThisSystem()
{
    CtlSystem system;
    system.stateDir.clear();
    system.settleInApply = true;
    return system;
}

std::string AccessAdvice(int reason, const RouteChoice&, const CtlSystem&)
{
    if (reason == EPERM)
        return "NT-family Windows (NT 4, 2000, XP) lets a program use the ports only once a port-access driver, "
               "chosen by an administrator, has opened ports 0xCF8-0xCFF to it; Windows 95, 98 and ME need none";
    return "";
}
