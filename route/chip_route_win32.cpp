// The way to the chip on Windows. NT-family Windows (2000, XP) lets no program use the
// configuration ports and makes its own cycles on them: there the chip is reached through our
// driver, i815quarvel.sys, whose cycles the HAL orders with the system's, started when it is
// installed but stopped (where the user may), never through the ports unless asked (--ports).
// Windows 95, 98 and ME let every program use the ports: there, the ports in this process. Or
// the emulated i815. Windows has no kernel file for the configuration space and no helper.
#include "chip_route.h"

#include "access_refused.h"
#include "config_lock.h"
#include "driver_access_win32.h"
#include "driver_service_win32.h"
#include "dump_file.h"
#include "mechanism1_access.h"
#include "ports_win32.h"

#include <cerrno>

namespace {

// The name of the mutex that every program of ours on this machine takes for a cycle.
constexpr const char* LockName = "configuration cycles";

std::unique_ptr<ConfigAccess> OpenDriver()
{
    if (auto driver = DriverConfigAccess::Open())
        return driver;
    switch (QueryDriverState()) {
    case DriverState::NotInstalled:
        throw AccessRefused("The driver i815quarvel.sys, through which Windows 2000 and XP let programs reach the "
                            "chip, is not installed. An administrator installs it once, in the folder of the zip, "
                            "with the command: i815ctl driver install",
                            ENOENT);
    case DriverState::Stopped:
        try {
            StartDriver();
        } catch (const AccessRefused& refused) {
            if (refused.reason() != EPERM)
                throw;
            throw AccessRefused("The driver i815quarvel.sys is installed but stopped, and only an administrator "
                                "may start it: i815ctl driver install, as one, starts it",
                                EPERM);
        }
        break;
    case DriverState::Running:
    case DriverState::Changing:
        break;
    }
    if (auto driver = DriverConfigAccess::Open())
        return driver;
    throw AccessRefused("The driver i815quarvel.sys is installed, but its device \\\\.\\I815Quarvel is not there",
                        ENOENT);
}

}  // namespace

std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice& choice, const RouteNeeds&, const RouteSystem&)
{
    if (choice.kind == RouteKind::Emulated)
        return ChipRoute::OpenEmulated(choice);
    auto route = std::unique_ptr<ChipRoute>(new ChipRoute);
    if (choice.kind == RouteKind::Kernel)
        throw AccessRefused("Windows has no kernel file for the configuration space; the chip is reached through "
                            "the driver i815quarvel.sys on Windows 2000 and XP, through the ports on 95, 98 and ME",
                            ENOENT);
    if (choice.kind == RouteKind::Automatic && NtFamilyWindows()) {
        route->access_ = OpenDriver();
        route->taken_ = RouteTaken::Driver;
        return route;
    }
    // Whether the system lets this process use the ports shows at the first instruction.
    route->lock_ = std::make_unique<ConfigLock>(LockName);
    route->lock_->Open();  // two port instructions make a cycle: every cycle takes the lock
    route->ports_ = std::make_unique<Win32PortAccess>();
    route->access_ = std::make_unique<Mechanism1Access>(*route->ports_, route->lock_.get());
    route->taken_ = RouteTaken::Ports;
    return route;
}
