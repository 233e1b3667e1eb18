#pragma once
// The ways i815ctl reaches the chip: the kernel's configuration file, the ports (mechanism #1
// in this process), or an emulated i815.

#include "config_access.h"
#include "emulated_i815.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class PortAccess;
class X86PortAccess;

// Where the program looks at the system; tests put temporary files in its place.
struct CtlSystem {
    std::string kernelConfigPath = "/sys/bus/pci/devices/0000:00:00.0/config";
    std::string lockPath = "/run/lock/i815quarvel.lock";
    std::string lockdownPath = "/sys/kernel/security/lockdown";
    std::function<std::unique_ptr<X86PortAccess>()> makePorts;  // empty: the real ports
    std::string stateDir = "/var/lib/i815quarvel";                 // the boot-time apply's marker
    int settleSeconds = 60;  // how long the machine must keep running after a boot-time apply
    std::string bootIdPath = "/proc/sys/kernel/random/boot_id";
};

enum class RouteKind { Automatic, Kernel, Ports, Emulated };

struct RouteChoice {
    RouteKind kind = RouteKind::Automatic;
    std::optional<std::string> dump;  // --emulated=DUMP
};

class Route {
public:
    ~Route();
    ConfigAccess& access() { return *access_; }
    // The emulated chip, on the emulated route; nullptr on the others.
    EmulatedI815* emulated() { return chip_.get(); }

private:
    friend std::unique_ptr<Route> OpenRoute(const RouteChoice&, bool, const CtlSystem&);
    std::unique_ptr<X86PortAccess> ports_;
    std::unique_ptr<EmulatedI815> chip_;
    std::unique_ptr<class ConfigLock> lock_;
    std::unique_ptr<ConfigAccess> access_;
    bool portsSaved_ = false;
};

// Opens the route for reading, or for changing settings. Without a choice: the kernel's file
// where it can be used for that, else the ports. Throws CtlError (status 1) saying what is
// missing and how to get it; a bad dump is status 2.
std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system);
