#include "route_options.h"

const char* RoutesHeading()
{
    return "Routes (default: the kernel's file as root; as a user, the helper's socket "
           "/run/i815quarvel/helper.socket, for the group i815quarvel; never the ports unless asked for):";
}

std::vector<RouteOption> SystemRouteOptions()
{
    return {
        {"--kernel", RouteKind::Kernel, true, RouteValue::None, nullptr, nullptr,
         "the kernel's configuration file of 0000:00:00.0 in sysfs", true, nullptr},
        {"--ports", RouteKind::Ports, true, RouteValue::None, nullptr, nullptr,
         "the PCI configuration ports 0xCF8-0xCFF, past the kernel's ordering", true,
         "--ports bypasses the kernel's ordering of configuration cycles: a cycle of the kernel's between the two "
         "port instructions of one of ours gives another device's register"},
    };
}
