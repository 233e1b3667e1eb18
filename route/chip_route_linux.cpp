#include "chip_route.h"

#include "access_refused.h"
#include "config_lock.h"
#include "dump_file.h"
#include "helper_config_access.h"
#include "helper_launcher.h"
#include "kernel_config_access.h"
#include "mechanism1_access.h"
#include "quarvel_version.h"
#include "foreign_bridge_access.h"
#include "sysfs_identity.h"
#include "ports_linux.h"

#include <cerrno>

#include <unistd.h>

namespace {

std::unique_ptr<ConfigAccess> OpenPorts(const RouteSystem& system, ConfigLock& lock,
                                        std::unique_ptr<PortAccess>& ports)
{
    std::unique_ptr<LinuxPortAccess> x86 = system.makePorts ? system.makePorts() : std::make_unique<LinuxPortAccess>();
    x86->RequestPermission();
    lock.Open();  // two port instructions make a cycle: every cycle takes the lock
    ports = std::move(x86);
    return std::make_unique<Mechanism1Access>(*ports, &lock);
}

// Throws AccessRefused unless the kernel shows this process the settings (past the first 64
// bytes, which is all that it shows a process without privilege).
std::unique_ptr<ConfigAccess> OpenKernelFile(const RouteSystem& system, const RouteNeeds& needs, ConfigLock& lock)
{
    auto kernel = std::make_unique<KernelConfigAccess>(system.kernelConfigPath, needs.change, &lock);
    kernel->Read(0x50);
    if (needs.change)
        lock.Open();
    return kernel;
}

// A helper for a process without privilege: through its service's socket, then, for the
// window only, started through pkexec. Throws AccessRefused naming what is missing on each way.
std::unique_ptr<ConfigAccess> OpenHelper(const RouteSystem& system, const RouteNeeds& needs,
                                         const AccessRefused& kernelRefusal)
{
    HelperAttempt socket = ConnectHelperSocket(system.helperSocket);
    if (socket.channel.open())
        return std::make_unique<HelperConfigAccess>(std::move(socket.channel));
    if (!needs.window)
        throw AccessRefused(std::string(kernelRefusal.what()) + "; and the helper's socket: " + socket.whyNot,
                            kernelRefusal.reason());

    const std::string helper = system.helperPath.empty() ? QuarvelHelperPath : system.helperPath;
    HelperAttempt pkexec =
        StartHelperThroughPkexec(system.pkexecPath.empty() ? QuarvelPkexecPath : system.pkexecPath, helper);
    if (pkexec.channel.open())
        return std::make_unique<HelperConfigAccess>(std::move(pkexec.channel));
    throw AccessRefused("The window reaches the chip through its helper " + helper +
                            ", which could not be started. Through the helper's socket: " + socket.whyNot +
                            "; through pkexec: " + pkexec.whyNot +
                            ". An administrator can let the members of the group i815quarvel in (systemctl enable "
                            "--now i815quarvel-helper.socket, see i815quarvel(8)), or start the window as root",
                        pkexec.reason ? pkexec.reason : EPERM);
}

}  // namespace

std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice& choice, const RouteNeeds& needs, const RouteSystem& system)
{
    if (choice.kind == RouteKind::Emulated)
        return ChipRoute::OpenEmulated(choice);
    auto route = std::unique_ptr<ChipRoute>(new ChipRoute);

    route->lock_ = std::make_unique<ConfigLock>(system.lockPath);
    route->taken_ = RouteTaken::Ports;
    if (choice.kind == RouteKind::Ports) {
        route->access_ = OpenPorts(system, *route->lock_, route->ports_);
        return route;
    }
    try {
        route->access_ = OpenKernelFile(system, needs, *route->lock_);
        route->taken_ = RouteTaken::Kernel;
        return route;
    } catch (const AccessRefused& kernelRefusal) {
        if (choice.kind == RouteKind::Kernel)
            throw;

        // As root the kernel's file or nothing: without it the ports are no way around it, since
        // the kernel still makes its own cycles on them (--ports takes them, knowingly).
        if (system.root.value_or(geteuid() == 0))
            throw;

        // Anyone may read the IDs: on another host bridge the answer is "not an i815", not
        // advice on privileges; and the window asks for no helper and no password first.
        const std::optional<uint32_t> identity = SysfsIdentity(system.kernelConfigPath);
        if (identity && *identity != HostBridgeId) {
            if (!needs.window) {
                try {  // a member reads the other bridge through the helper, as root would
                    route->access_ = OpenHelper(system, needs, kernelRefusal);
                    route->taken_ = RouteTaken::Helper;
                    return route;
                } catch (const AccessRefused&) {
                }
            }
            route->access_ = std::make_unique<ForeignBridgeAccess>(*identity);
            route->taken_ = RouteTaken::ForeignBridge;
            return route;
        }
        route->access_ = OpenHelper(system, needs, kernelRefusal);
        route->taken_ = RouteTaken::Helper;
        return route;
    }
}
