#include "chip_route.h"

#include "access_refused.h"
#include "config_lock.h"
#include "helper_client.h"
#include "helper_launcher.h"
#include "kernel_config_access.h"
#include "mechanism1_access.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "sysfs_identity.h"
#include "x86_port_access.h"

#include <cctype>
#include <cerrno>

#include <unistd.h>

namespace {

std::string Lowered(std::string text)
{
    if (!text.empty())
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

bool NoSuchFile(int reason) { return reason == ENOENT || reason == ENOTDIR; }

}  // namespace

ChipRoute::~ChipRoute() = default;

std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice& choice, const RouteNeeds& needs, const RouteSystem& system)
{
    auto route = std::unique_ptr<ChipRoute>(new ChipRoute);
    if (choice.kind == RouteKind::Emulated) {
        route->chip_ = std::make_unique<EmulatedI815>(choice.dump ? ReadRegisterDumpFile(*choice.dump)
                                                                  : EmulatedI815::DefaultImage());
        route->access_ = std::make_unique<Mechanism1Access>(*route->chip_);
        route->taken_ = RouteTaken::Emulated;
        return route;
    }

    route->lock_ = std::make_unique<ConfigLock>(system.lockPath);
    auto openPorts = [&] {
        route->ports_ = system.makePorts ? system.makePorts() : std::make_unique<X86PortAccess>();
        route->ports_->RequestPermission();
        route->lock_->Open();  // two port instructions make a cycle: every cycle takes the lock
        route->access_ = std::make_unique<Mechanism1Access>(*route->ports_, route->lock_.get());
        route->taken_ = RouteTaken::Ports;
    };
    if (choice.kind == RouteKind::Ports) {
        openPorts();
        return route;
    }

    std::string kernelRefusal;
    int kernelReason = 0;
    try {
        auto kernel = std::make_unique<KernelConfigAccess>(system.kernelConfigPath, needs.change, route->lock_.get());
        kernel->Read(0x50);  // without privilege the kernel shows the first 64 bytes only
        if (needs.change)
            route->lock_->Open();
        route->access_ = std::move(kernel);
        route->taken_ = RouteTaken::Kernel;
        return route;
    } catch (const AccessRefused& refused) {
        if (choice.kind == RouteKind::Kernel)
            throw;
        kernelRefusal = refused.what();
        kernelReason = refused.reason();
    }

    const bool root = system.root.value_or(geteuid() == 0);
    if (root) {
        // Only where the kernel has no file (no sysfs): then nothing orders cycles but the lock.
        if (!NoSuchFile(kernelReason))
            throw AccessRefused(kernelRefusal, kernelReason);
        try {
            openPorts();
        } catch (const AccessRefused& refused) {
            throw AccessRefused(kernelRefusal + "; and " + Lowered(refused.what()), refused.reason());
        }
        return route;
    }

    if (needs.window) {
        // No helper and no password for a chip that the window would refuse at once.
        const std::optional<uint32_t> identity = SysfsIdentity(system.kernelConfigPath);
        if (identity && *identity != HostBridgeId) {
            route->access_ = std::make_unique<ForeignBridgeAccess>(*identity);
            route->taken_ = RouteTaken::ForeignBridge;
            return route;
        }
    }

    HelperAttempt socket = ConnectHelperSocket(system.helperSocket);
    if (!socket.channel.open() && needs.window) {
        const std::string helper = system.helperPath.empty() ? QuarvelHelperPath : system.helperPath;
        HelperAttempt pkexec =
            StartHelperThroughPkexec(system.pkexecPath.empty() ? QuarvelPkexecPath : system.pkexecPath, helper);
        if (!pkexec.channel.open())
            throw AccessRefused(
                "The window reaches the chip through its helper " + helper +
                    ", which could not be started. Through the helper's socket: " + socket.whyNot +
                    "; through pkexec: " + pkexec.whyNot +
                    ". An administrator can let the members of the group i815quarvel in (systemctl enable --now "
                    "i815quarvel-helper.socket, see i815quarvel(8)), or start the window as root",
                pkexec.reason ? pkexec.reason : EPERM);
        socket = std::move(pkexec);
    }
    if (!socket.channel.open())
        throw AccessRefused(kernelRefusal + "; and the helper's socket: " + socket.whyNot, kernelReason);
    route->access_ = std::make_unique<HelperConfigAccess>(std::move(socket.channel));
    route->taken_ = RouteTaken::Helper;
    return route;
}
