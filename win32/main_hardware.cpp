// i815quarvel.exe: the window on the real chip. On Windows 2000 and XP through the driver
// i815quarvel.sys, which it starts when it is installed but stopped; where the driver is not
// installed, the failure display names the one command that installs it. On Windows 95, 98
// and ME through the configuration ports in this process, which those systems let it use.
#include "chip_route.h"
#include "failure_display.h"
#include "run_window.h"

#include <exception>
#include <memory>

int main()
{
    std::unique_ptr<ChipRoute> route;
    try {
        route = OpenChipRoute(RouteChoice{}, {true, true}, RouteSystem{});
    } catch (const std::exception& failure) {
        ShowFailure(failure.what());
        return ExitFailure;
    }
    return RunWindow(route->access());
}
