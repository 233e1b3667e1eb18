#include "ctl_program.h"

#include "chip_commands.h"
#include "ctl_error.h"
#include "field_map.h"
#include "quarvel_version.h"
#include "register_dump.h"

#include <exception>
#include <optional>

namespace {

const char Usage[] =
    "Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]\n"
    "Shows and changes the settings of the Intel i815 host bridge (PCI 00:00.0).\n"
    "\n"
    "Commands:\n"
    "  show               the chipset, its mode, memory and DIMMs, then every setting:\n"
    "                     its key, its value and its bits in the chip\n"
    "  get KEY...         the values of settings, one per line\n"
    "  set KEY=VALUE...   changes settings; every one is checked before the first write\n"
    "  dump               the 256 bytes of configuration space, as `lspci -xxx` prints them\n"
    "\n"
    "Routes (default: the kernel's file where it can be used, else the ports):\n"
    "  --kernel           the kernel's configuration file of 0000:00:00.0 in sysfs\n"
    "  --ports            the PCI configuration ports 0xCF8-0xCFF\n"
    "  --emulated[=DUMP]  an emulated i815: the built-in one, or one from an `lspci -xxx` dump\n"
    "  --save-emulated FILE\n"
    "                     writes the emulated chip to FILE, in the same form, when the program ends\n"
    "\n"
    "Values: on or off for a check box; a list item's text (case and blanks do not matter) or\n"
    "its position, 0 for the first; a number 0-255, decimal or 0x hexadecimal, for amtt and lptt.\n"
    "\n"
    "Exit status: 0 done; 1 a failure (access refused, the chip did not take a value, an I/O\n"
    "error); 2 bad usage or bad input, or not an i815.\n"
    "\n"
    "  --help             shows this text\n"
    "  --version          shows the program's version\n";

struct Options {
    RouteChoice route;
    std::optional<std::string> saveEmulated;
    std::string command;
    std::vector<std::string> args;
    bool helpOnly = false;
    bool versionOnly = false;
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

Options ParseOptions(const std::vector<std::string>& args)
{
    Options options;
    bool routeGiven = false;
    auto chooseRoute = [&](RouteKind kind, const std::string& arg) {
        if (routeGiven)
            throw CtlError(CtlBadInput, "only one route may be given (" + arg + ")");
        routeGiven = true;
        options.route.kind = kind;
    };
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.helpOnly = true;
            return options;
        }
        if (arg == "--version") {
            options.versionOnly = true;
            return options;
        }
        if (arg == "--kernel") {
            chooseRoute(RouteKind::Kernel, arg);
        } else if (arg == "--ports") {
            chooseRoute(RouteKind::Ports, arg);
        } else if (arg == "--emulated" || StartsWith(arg, "--emulated=")) {
            chooseRoute(RouteKind::Emulated, arg);
            if (arg.size() > 11)
                options.route.dump = arg.substr(11);
        } else if (arg == "--save-emulated" || StartsWith(arg, "--save-emulated=")) {
            if (options.saveEmulated)
                throw CtlError(CtlBadInput, "--save-emulated may be given once");
            if (arg.size() > 16)
                options.saveEmulated = arg.substr(16);
            else if (i + 1 < args.size())
                options.saveEmulated = args[++i];
            if (!options.saveEmulated || options.saveEmulated->empty())
                throw CtlError(CtlBadInput, "--save-emulated needs a FILE");
        } else if (StartsWith(arg, "-")) {
            throw CtlError(CtlBadInput, "unknown option " + arg);
        } else {
            break;
        }
    }
    if (i == args.size())
        throw CtlError(CtlBadInput, "no COMMAND given");
    if (options.saveEmulated && options.route.kind != RouteKind::Emulated)
        throw CtlError(CtlBadInput, "--save-emulated needs --emulated");
    options.command = args[i];
    options.args.assign(args.begin() + long(i) + 1, args.end());
    return options;
}

void NoArguments(const Options& options)
{
    if (!options.args.empty())
        throw CtlError(CtlBadInput, options.command + " takes no arguments");
}

void Run(const Options& options, Route& route, std::ostream& out)
{
    ConfigAccess& chip = route.access();
    const std::string& command = options.command;
    if (command == "show") {
        NoArguments(options);
        ShowChip(chip, out);
    } else if (command == "get") {
        GetFields(chip, options.args, out);
    } else if (command == "set") {
        SetFields(chip, options.args);
    } else if (command == "dump") {
        NoArguments(options);
        DumpChip(chip, out);
    }
}

bool Writes(const std::string& command) { return command == "set"; }

bool KnownCommand(const std::string& command)
{
    for (const char* known : {"show", "get", "set", "dump"})
        if (command == known)
            return true;
    return false;
}

}  // namespace

int RunCtl(const std::vector<std::string>& args, const CtlSystem& system, std::ostream& out, std::ostream& err)
{
    Options options;
    try {
        options = ParseOptions(args);
        if (!options.helpOnly && !options.versionOnly && !KnownCommand(options.command))
            throw CtlError(CtlBadInput, "unknown command \"" + options.command + "\"");
    } catch (const CtlError& error) {
        err << "i815ctl: " << error.what() << "\nTry 'i815ctl --help' for more information.\n";
        return error.status();
    }
    if (options.helpOnly) {
        out << Usage;
        return CtlDone;
    }
    if (options.versionOnly) {
        out << "i815ctl (i815 Quarvel) " << QuarvelVersion << "\n";
        return CtlDone;
    }

    std::unique_ptr<Route> route;
    int status = CtlDone;
    try {
        route = OpenRoute(options.route, Writes(options.command), system);
        Run(options, *route, out);
    } catch (const CtlError& error) {
        err << "i815ctl: " << error.what() << "\n";
        status = error.status();
    } catch (const std::exception& failure) {
        err << "i815ctl: " << failure.what() << "\n";
        status = CtlFailed;
    }
    out.flush();

    if (options.saveEmulated && route && route->emulated()) {
        try {
            WriteRegisterDumpFile(*options.saveEmulated, route->emulated()->Space());
        } catch (const std::exception& failure) {
            err << "i815ctl: " << failure.what() << "\n";
            if (status == CtlDone)
                status = CtlFailed;
        }
    }
    return status;
}
