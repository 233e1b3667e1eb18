// The way to the chip on Windows: the configuration ports in this process (Windows 95, 98 and
// ME allow them to every program; NT-family Windows once a port-access driver has opened them),
// or the emulated i815. Windows has no kernel file for the configuration space and no helper.
#include "chip_route.h"

#include "access_refused.h"
#include "config_lock.h"
#include "dump_file.h"
#include "mechanism1_access.h"
#include "ports_win32.h"

#include <cerrno>

namespace {

// The name of the mutex that every program of ours on this machine takes for a cycle.
constexpr const char* LockName = "configuration cycles";

}  // namespace

std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice& choice, const RouteNeeds&, const RouteSystem&)
{
    if (choice.kind == RouteKind::Emulated)
        return ChipRoute::OpenEmulated(choice);
    auto route = std::unique_ptr<ChipRoute>(new ChipRoute);
    if (choice.kind == RouteKind::Kernel)
        throw AccessRefused("Windows has no kernel file for the configuration space; the chip is reached "
                            "through the ports",
                            ENOENT);
    // Whether the system lets this process use the ports shows at the first instruction.
    route->lock_ = std::make_unique<ConfigLock>(LockName);
    route->lock_->Open();  // two port instructions make a cycle: every cycle takes the lock
    route->ports_ = std::make_unique<Win32PortAccess>();
    route->access_ = std::make_unique<Mechanism1Access>(*route->ports_, route->lock_.get());
    route->taken_ = RouteTaken::Ports;
    return route;
}
