// i815quarvel: the tool on the real chip. As root it goes through the kernel's configuration
// file itself; as any other user through its privileged helper (route/chip_route.h chooses).
// The window itself never holds a privilege: Qt loads plugins named by whoever starts it.
#include "chip_route.h"
#include "display_check.h"
#include "quarvel_application.h"
#include "run_quarvel.h"

#include <cstdio>
#include <exception>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (getuid() != geteuid() || getgid() != getegid()) {
        std::fprintf(stderr, "i815quarvel: refusing to run set-user-ID or set-group-ID; as a user it "
                             "reaches the chip through its helper\n");
        return ExitFailure;
    }
    const std::unique_ptr<QuarvelApplication> app = StartApplication(argc, argv);
    std::unique_ptr<ChipRoute> route;
    try {
        route = OpenChipRoute({}, {true, true}, RouteSystem{});
    } catch (const std::exception& failure) {
        app->ReportFailure(QString::fromLocal8Bit(failure.what()));
        return ExitFailure;
    }
    return RunQuarvel(route->access(), *app);
}
