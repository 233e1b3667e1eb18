#pragma once
// i815ctl's side of the route (route/chip_route.h chooses it): the port save and restore
// around a run, and refusals as the command line words them, with advice.

#include "chip_route.h"
#include "ctl_system.h"

#include <memory>
#include <ostream>
#include <string>

class Route {
public:
    // `saveOnOutput`: --save-emulated -, whose dump goes to standard output.
    explicit Route(std::unique_ptr<ChipRoute> route, bool saveOnOutput = false);
    // The address port goes back as found, whatever happened before.
    ~Route();
    ConfigAccess& access() { return route_->access(); }
    RouteTaken taken() const { return route_->taken(); }
    // The emulated chip, on the emulated route; nullptr on the others.
    EmulatedI815* emulated() { return route_->emulated(); }
    // --save-emulated: into its FILE (ChipRoute::SaveEmulated), or onto `out` for "-".
    void SaveEmulated(std::ostream& out);

private:
    std::unique_ptr<ChipRoute> route_;
    bool saveOnOutput_;
    bool portsSaved_ = false;
};

// Opens the route for reading, or for changing settings; a `save` of "-" is standard output, as
// the FILE of save and dump is, never a file of that name. Throws StatusError (status 1) saying
// what is missing and how to get it; a bad dump is status 2, a dump that another program holds
// or whose reading a signal stopped status 1.
std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system);
