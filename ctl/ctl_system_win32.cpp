#include "ctl_system.h"

#include "command_table.h"
#include "driver_request.h"
#include "driver_service_win32.h"
#include "echoed_text.h"
#include "exit_status.h"
#include "paths.h"

#include <cerrno>

#include <windows.h>

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

std::string AccessAdvice(int reason, const RouteChoice& choice, const CtlSystem&)
{
    if (reason == EPERM && choice.kind == RouteKind::Ports)
        return "NT-family Windows (NT 4, 2000, XP) lets a program use the ports only once a port-access driver, "
               "chosen by an administrator, has opened ports 0xCF8-0xCFF to it; without --ports, i815ctl reaches "
               "the chip through its own driver there (i815ctl driver install); Windows 95, 98 and ME need none";
    return "";
}

namespace {

// The driver's file beside this program, as the zip holds them.
std::string DriverBesideProgram()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return PathIn(FolderOf(std::string(path, length < sizeof path ? length : 0)), DriverFileName);
}

const char* StateText(DriverState state)
{
    switch (state) {
    case DriverState::NotInstalled: return "not installed (an administrator installs it: i815ctl driver install)";
    case DriverState::Stopped: return "installed, stopped (the programs start it for an administrator)";
    case DriverState::Running: return "installed, running";
    case DriverState::Changing: return "installed, starting or stopping";
    }
    return "";
}

int DriverCommand(Invocation& call)
{
    const std::string& what = call.args[0];
    if (what != "install" && what != "remove" && what != "status")
        throw StatusError(ExitBadInput, "driver needs install, remove or status, not \"" + Echoed(what) + "\"");
    const char* none = "Windows 95, 98 and ME need no driver: the programs use the ports 0xCF8-0xCFF there";
    if (!NtFamilyWindows() && what != "status")
        throw StatusError(ExitFailure, none);
    if (!NtFamilyWindows())
        call.out << none << "\n";
    else if (what == "status")
        call.out << "The driver " << DriverServiceName << ": " << StateText(QueryDriverState()) << "\n";
    else
        call.out << (what == "install" ? InstallDriver(DriverBesideProgram()) : RemoveDriver()) << "\n";
    return ExitNormal;
}

}  // namespace

std::vector<Command> SystemCommands()
{
    return {
        {"driver", "install | remove | status",
         "Windows 2000 and XP: installs the driver i815quarvel.sys from this program's folder into the system's "
         "and starts it, or stops and removes it (both as an administrator), or says whether it is installed and "
         "running",
         {}, 1, 1, "needs install, remove or status", false, DriverCommand},
    };
}
