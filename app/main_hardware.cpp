// i815quarvel: the tool on the real configuration ports. As root (sudo) it makes the port
// cycles itself; as any other user it asks its privileged helper, over a pipe. The window
// itself never holds a privilege: Qt loads plugins named by whoever starts it.
#include "config_lock.h"
#include "helper_client.h"
#include "mechanism1_access.h"
#include "quarvel_version.h"
#include "run_quarvel.h"
#include "x86_port_access.h"

#include <cstdio>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (getuid() != geteuid() || getgid() != getegid()) {
        std::fprintf(stderr, "i815quarvel: refusing to run set-user-ID or set-group-ID; as a user it "
                             "reaches the chip through its helper\n");
        return ExitFailure;
    }
    if (geteuid() == 0) {
        X86PortAccess ports;
        ConfigLock lock;
        Mechanism1Access access(ports, &lock);
        return RunQuarvel(access, argc, argv);
    }
    HelperConfigAccess helper({QuarvelHelperPath, QuarvelPkexecPath});
    return RunQuarvel(helper, argc, argv);
}
