#pragma once
// i815ctl's side of the route (route/chip_route.h chooses it): the port save and restore
// around a run, and refusals as the command line words them, with advice.

#include "chip_route.h"

#include <memory>
#include <string>

// Where the program looks at the system; tests put temporary files in its place.
struct CtlSystem : RouteSystem {
    std::string lockdownPath = "/sys/kernel/security/lockdown";
    std::string stateDir = "/var/lib/i815quarvel";  // the boot-time apply's marker; empty: beside the profile
    int settleSeconds = 60;  // how long the machine must keep running after a boot-time apply
    bool settleInApply = false;  // apply --boot waits for the guard itself (no service beside it)
    std::string bootIdPath = "/proc/sys/kernel/random/boot_id";
    std::string cacheFolder = "/sys/devices/system/cpu/cpu0/cache";  // bench's buffers are sized from these
    std::string cpuinfoPath = "/proc/cpuinfo";
};

class Route {
public:
    explicit Route(std::unique_ptr<ChipRoute> route);
    // The address port goes back as found, whatever happened before.
    ~Route();
    ConfigAccess& access() { return route_->access(); }
    // The emulated chip, on the emulated route; nullptr on the others.
    EmulatedI815* emulated() { return route_->emulated(); }
    // --save-emulated (ChipRoute::SaveEmulated).
    void SaveEmulated() { route_->SaveEmulated(); }

private:
    std::unique_ptr<ChipRoute> route_;
    bool portsSaved_ = false;
};

// Opens the route for reading, or for changing settings. Throws StatusError (status 1) saying
// what is missing and how to get it; a bad dump is status 2, a dump that another program holds
// or whose reading a signal stopped status 1.
std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system);
