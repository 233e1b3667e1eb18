// i815quarvel.exe: the window on the real chip, through the configuration ports in this
// process. Windows 95, 98 and ME let it use them; NT-family Windows only once a port-access
// driver has opened ports 0xCF8-0xCFF to it, and otherwise the first port instruction fails
// with the processor's privileged-instruction exception, which the failure display shows.
#include "chip_route.h"
#include "failure_display.h"
#include "run_window.h"

#include <exception>
#include <memory>

int main()
{
    std::unique_ptr<ChipRoute> route;
    try {
        route = OpenChipRoute({RouteKind::Ports, {}}, {true, true}, RouteSystem{});
    } catch (const std::exception& failure) {
        ShowFailure(failure.what());
        return ExitFailure;
    }
    return RunWindow(route->access());
}
