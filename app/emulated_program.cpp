#include "emulated_program.h"

#include "chip_route.h"
#include "config_access.h"
#include "display_check.h"
#include "quarvel_application.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "run_quarvel.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

namespace {

const char Usage[] = "usage: i815quarvel-sim [--save FILE] [DUMP]\n"
                     "  DUMP         an `lspci -xxx` dump to start from (default: a built-in i815)\n"
                     "  --save FILE  write the emulated configuration space to FILE at the end\n"
                     "  --help       show this text\n"
                     "  --version    show the program's version\n";

struct Options {
    std::optional<std::string> dump;
    std::optional<std::string> save;
    bool helpOnly = false;
};

// Returns false, after a message on stderr, on arguments it does not understand.
bool ParseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--save") {
            if (i + 1 >= argc || options.save) {
                std::fprintf(stderr, "i815quarvel-sim: --save needs one FILE\n%s", Usage);
                return false;
            }
            options.save = argv[++i];
        } else if (arg.rfind("--save=", 0) == 0 && !options.save && arg.size() > 7) {
            options.save = arg.substr(7);
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            options.helpOnly = true;
            return true;
        } else if (arg == "--version") {
            std::printf("i815quarvel-sim (i815 Quarvel) %s\n", QuarvelVersion);
            options.helpOnly = true;
            return true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "i815quarvel-sim: unknown option %s\n%s", arg.c_str(), Usage);
            return false;
        } else if (!options.dump) {
            options.dump = arg;
        } else {
            std::fprintf(stderr, "i815quarvel-sim: only one DUMP may be given\n%s", Usage);
            return false;
        }
    }
    return true;
}

}  // namespace

int RunEmulatedQuarvel(int argc, char** argv)
{
    Options options;
    if (!ParseArguments(argc, argv, options))
        return ExitBadInput;
    if (options.helpOnly)
        return ExitNormal;

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
