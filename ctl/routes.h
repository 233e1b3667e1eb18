#pragma once
// i815ctl's side of the route (route/chip_route.h chooses it): the port save and restore
// around a run, and refusals as the command line words them, with advice.

#include "chip_route.h"
#include "ctl_system.h"

#include <memory>
#include <string>

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
