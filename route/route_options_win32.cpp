// Windows has no kernel route. Without an option the chip is reached through the driver
// i815quarvel.sys on NT-family Windows and through the ports on Windows 95, 98 and ME, where
// using them is worth no notice. --ports asks for the ports anywhere: on Windows 2000 and XP
// they work only once a port-access driver of the administrator's choice has opened them.
// --kernel is still taken, so that a command line written for Linux meets the route's own
// refusal rather than an unknown option.
#include "route_options.h"

const char* RoutesHeading()
{
    return "Routes (default: the driver i815quarvel.sys on Windows 2000 and XP, the ports on Windows 95, 98 and "
           "ME):";
}

std::vector<RouteOption> SystemRouteOptions()
{
    return {
        {"--kernel", RouteKind::Kernel, true, RouteValue::None, nullptr, nullptr, "", false, nullptr},
        {"--ports", RouteKind::Ports, true, RouteValue::None, nullptr, nullptr,
         "the PCI configuration ports 0xCF8-0xCFF, in this program (on Windows 2000 and XP only once a port-access driver has opened them)", true, nullptr},
    };
}
