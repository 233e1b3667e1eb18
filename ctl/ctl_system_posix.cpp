#include "ctl_system.h"

#include "command_table.h"
#include "route_options.h"

#include <cerrno>
#include <fstream>

#include <unistd.h>

CtlSystem ThisSystem()
{
    return {};
}

std::vector<Command> SystemCommands() { return {}; }

namespace {

// "none [integrity] confidentiality": the word in brackets is the kernel's lockdown mode.
std::string LockdownMode(const std::string& path)
{
    std::ifstream file(path);
    std::string text;
    std::getline(file, text);
    const size_t open = text.find('['), close = text.find(']');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return "none";
    return text.substr(open + 1, close - open - 1);
}

}  // namespace

std::string AccessAdvice(int reason, const RouteChoice& choice, const CtlSystem& system)
{
    const std::string lockdown = LockdownMode(system.lockdownPath);
    if ((reason == EPERM || reason == EACCES) && lockdown != "none")
        return "the kernel is locked down (lockdown=" + lockdown +
               ", as under Secure Boot) and lets no program use the I/O ports or write the "
               "configuration space; boot without lockdown to change settings";
    if (reason == EPERM || reason == EACCES) {
        if (system.root.value_or(geteuid() == 0))
            return "even root was refused";
        // Without a route a user is led to the helper's socket; a route given names the chip's
        // way itself, and only root may take it.
        const RouteOption* given = RouteOptionFor(choice.kind);
        return std::string("run i815ctl as root (sudo i815ctl ...), or ") +
               (given ? "without " + std::string(given->name) + " " : "") +
               "as a member of the group i815quarvel, through the helper's socket " + system.helperSocket +
               ", once an administrator has enabled it (systemctl enable --now i815quarvel-helper.socket)";
    }
    if (reason == ENOSYS)
        return "the kernel was built without I/O-port support; use --kernel";
    if (reason == ENOENT)
        return "the kernel has no configuration file for 00:00.0 (is sysfs mounted?); --ports goes past the kernel, "
               "whose own cycles then race this program's";
    return "";
}
