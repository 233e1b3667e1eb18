#include "emulated_program.h"

#include "chip_route.h"
#include "config_access.h"
#include "display_check.h"
#include "emulated_options.h"
#include "quarvel_application.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "run_quarvel.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

int RunEmulatedQuarvel(int argc, char** argv)
{
    const EmulatedCommandLine line = ParseEmulatedCommandLine(argc, argv, QuarvelVersion);
    if (!line.run) {
        std::fputs(line.text.c_str(), line.isError ? stderr : stdout);
        return line.status;
    }
    const EmulatedOptions& options = line.options;

    // A file-size limit fails the write of --save, which leaves the old file as it was,
    // instead of killing the program half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    std::unique_ptr<ChipRoute> route;
    try {
        route = OpenChipRoute({RouteKind::Emulated, options.dump, options.save}, {true, true}, RouteSystem{});
    } catch (const DumpError& e) {
        std::fprintf(stderr, "i815quarvel-sim: %s\n", e.what());
        return ExitBadInput;
    } catch (const std::exception& e) {  // another program changing the dump; a signal
        std::fprintf(stderr, "i815quarvel-sim: %s\n", e.what());
        return ExitFailure;
    }

    int qtArgc = 1;  // the options are ours, not Qt's
    const std::unique_ptr<QuarvelApplication> app = StartApplication(qtArgc, argv);
    const int status = RunQuarvel(route->access(), *app);

    try {
        route->SaveEmulated();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "i815quarvel-sim: %s\n", e.what());
        return status == 0 ? 1 : status;
    }
    return status;
}
