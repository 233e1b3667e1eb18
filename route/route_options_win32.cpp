// Windows has no kernel route: there the ports are the way, not a way around the kernel, and
// using them is worth no notice. --kernel is still taken, so that a command line written for
// Linux meets the route's own refusal rather than an unknown option.
#include "route_options.h"

const char* RoutesHeading()
{
    return "Routes (default: the ports; Windows has no kernel file for them):";
}

std::vector<RouteOption> SystemRouteOptions()
{
    return {
        {"--kernel", RouteKind::Kernel, true, RouteValue::None, nullptr, nullptr, "", false, nullptr},
        {"--ports", RouteKind::Ports, true, RouteValue::None, nullptr, nullptr,
         "the PCI configuration ports 0xCF8-0xCFF, in this program", true, nullptr},
    };
}
