#include "routes.h"

#include "access_refused.h"
#include "config_lock.h"
#include "exit_status.h"
#include "kernel_config_access.h"
#include "mechanism1_access.h"
#include "register_dump.h"
#include "x86_port_access.h"

#include <cctype>
#include <cerrno>
#include <fstream>

#include <unistd.h>

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

std::string Advice(int reason, const CtlSystem& system)
{
    const std::string lockdown = LockdownMode(system.lockdownPath);
    if ((reason == EPERM || reason == EACCES) && lockdown != "none")
        return "the kernel is locked down (lockdown=" + lockdown +
               ", as under Secure Boot) and lets no program use the I/O ports or write the "
               "configuration space; boot without lockdown to change settings";
    if (reason == EPERM || reason == EACCES)
        return geteuid() == 0 ? "even root was refused" : "run i815ctl as root (sudo i815ctl ...)";
    if (reason == ENOSYS)
        return "the kernel was built without I/O-port support; use --kernel";
    if (reason == ENOENT)
        return "the kernel has no configuration file for 00:00.0 (is sysfs mounted?); use --ports";
    return "";
}

[[noreturn]] void Refused(const std::string& what, int reason, const CtlSystem& system)
{
    const std::string advice = Advice(reason, system);
    throw StatusError(ExitFailure, what + (advice.empty() ? "" : "; " + advice));
}

// The kernel shows a user without privilege the first 64 bytes only; the settings lie beyond.
void CheckKernelReadsSettings(ConfigAccess& kernel) { kernel.Read(0x50); }

}  // namespace

Route::~Route()
{
    // The address port goes back as found, whatever happened before.
    if (portsSaved_) {
        try {
            access_->RestorePorts();
        } catch (const std::exception&) {
        }
    }
}

std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system)
{
    auto route = std::unique_ptr<Route>(new Route);

    if (choice.kind == RouteKind::Emulated) {
        ConfigSpace image = EmulatedI815::DefaultImage();
        if (choice.dump) {
            try {
                image = ReadRegisterDumpFile(*choice.dump);
            } catch (const DumpError& e) {
                throw StatusError(ExitBadInput, e.what());
            }
        }
        route->chip_ = std::make_unique<EmulatedI815>(image);
        route->access_ = std::make_unique<Mechanism1Access>(*route->chip_);
        return route;
    }

    route->lock_ = std::make_unique<ConfigLock>(system.lockPath);
    std::string kernelRefusal;
    int kernelReason = 0;
    if (choice.kind != RouteKind::Ports) {
        try {
            auto kernel = std::make_unique<KernelConfigAccess>(system.kernelConfigPath, forWriting,
                                                               route->lock_.get());
            CheckKernelReadsSettings(*kernel);
            route->access_ = std::move(kernel);
            return route;
        } catch (const AccessRefused& refused) {
            if (choice.kind == RouteKind::Kernel)
                Refused(refused.what(), refused.reason(), system);
            kernelRefusal = refused.what();
            kernelReason = refused.reason();
        }
    }

    route->ports_ = system.makePorts ? system.makePorts() : std::make_unique<X86PortAccess>();
    try {
        route->ports_->RequestPermission();
    } catch (const AccessRefused& refused) {
        if (choice.kind == RouteKind::Ports)
            Refused(refused.what(), refused.reason(), system);
        const int reason = kernelReason == ENOENT ? refused.reason() : kernelReason;
        std::string ports = refused.what();
        ports[0] = char(std::tolower(static_cast<unsigned char>(ports[0])));
        Refused(kernelRefusal + "; and " + ports, reason, system);
    }
    route->access_ = std::make_unique<Mechanism1Access>(*route->ports_, route->lock_.get());
    route->access_->SavePorts();
    route->portsSaved_ = true;
    return route;
}
