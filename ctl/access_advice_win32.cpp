#include "access_advice.h"

#include <cerrno>

std::string AccessAdvice(int reason, const RouteChoice&, const CtlSystem&)
{
    if (reason == EPERM)
        return "NT-family Windows (NT 4, 2000, XP) lets a program use the ports only once a port-access driver, "
               "chosen by an administrator, has opened ports 0xCF8-0xCFF to it; Windows 95, 98 and ME need none";
    return "";
}
