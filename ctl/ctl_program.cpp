#include "ctl_program.h"

#include "bench.h"
#include "boot_guard.h"
#include "chip_commands.h"
#include "ctl_error.h"
#include "field_map.h"
#include "interruption.h"
#include "profile_commands.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "try_command.h"

#include <exception>
#include <iostream>

#include <unistd.h>
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
    "  save FILE          every setting into a profile, FILE (key = value lines)\n"
    "  check FILE         checks a profile without touching the chip\n"
    "  apply [--dry-run] [--boot] FILE\n"
    "                     gives the chip the settings of a profile, writing only those that\n"
    "                     differ; --dry-run only says what would change; --boot guards the\n"
    "                     boot-time apply against a profile that hangs the machine\n"
    "  apply --settle     clears the guard's marker once the machine has kept running for\n"
    "                     60 seconds after this boot's apply --boot (run beside it)\n"
    "  try [--seconds N] KEY=VALUE... | FILE\n"
    "                     writes like set or apply, then asks whether to keep the change;\n"
    "                     without a \"yes\" within N seconds (20), the old values go back\n"
    "  bench [--repeat N] memory read, write and copy bandwidth and latency, N rounds (5);\n"
    "                     needs no privilege and touches no chip register\n"
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
    "error, a try undone); 2 bad usage or bad input, or not an i815.\n"
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

const std::string& OneFile(const Options& options, const std::vector<std::string>& args)
{
    if (args.size() != 1)
        throw CtlError(CtlBadInput, options.command + " needs one FILE");
    return args.front();
}

bool Writes(const std::string& command) { return command == "set" || command == "apply" || command == "try"; }

bool KnownCommand(const std::string& command)
{
    for (const char* known : {"show", "get", "set", "dump", "save", "check", "apply", "try", "bench"})
        if (command == known)
            return true;
    return false;
}

// show, get, set, dump, save: a route, then the command.
void RunOnChip(const Options& options, std::unique_ptr<Route>& route, const CtlSystem& system, std::ostream& out)
{
    const std::string& command = options.command;
    if (command == "show" || command == "dump")
        NoArguments(options);
    const std::string* file = command == "save" ? &OneFile(options, options.args) : nullptr;
    if (!route)
        route = OpenRoute(options.route, Writes(command), system);
    ConfigAccess& chip = route->access();
    if (command == "show")
        ShowChip(chip, out);
    else if (command == "get")
        GetFields(chip, options.args, out);
    else if (command == "set")
        SetFields(chip, options.args);
    else if (command == "dump")
        DumpChip(chip, out);
    else if (command == "save")
        SaveProfile(chip, *file);
}

// "--name N" at the front of the arguments: N, 1..limit; removes both.
int NumberOption(std::vector<std::string>& args, const std::string& name, int fallback, int limit)
{
    if (args.empty() || (args[0] != name && args[0].rfind(name + "=", 0) != 0))
        return fallback;
    std::string text;
    if (args[0] == name) {
        if (args.size() < 2)
            throw CtlError(CtlBadInput, name + " needs a number");
        text = args[1];
        args.erase(args.begin(), args.begin() + 2);
    } else {
        text = args[0].substr(name.size() + 1);
        args.erase(args.begin());
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > limit)
            throw CtlError(CtlBadInput, name + " needs a number from 1 to " + std::to_string(limit));
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > limit)
        throw CtlError(CtlBadInput, name + " needs a number from 1 to " + std::to_string(limit));
    return value;
}

void RunBenchCommand(const Options& options, std::ostream& out)
{
    std::vector<std::string> args = options.args;
    const int rounds = NumberOption(args, "--repeat", 5, 100);
    if (!args.empty())
        throw CtlError(CtlBadInput, "bench: unknown argument " + args[0]);
    const CacheInfo caches = ReadCacheInfo();
    out << FormatBench(RunBench(BenchBufferBytes(caches), caches.lineBytes, rounds, 0.1), caches);
}

// try [--seconds N] KEY=VALUE... | FILE
int RunTry(const Options& options, std::unique_ptr<Route>& route, const CtlSystem& system, std::ostream& out)
{
    std::vector<std::string> args = options.args;
    const int seconds = NumberOption(args, "--seconds", 20, 3600);
    if (args.empty())
        throw CtlError(CtlBadInput, "try needs KEY=VALUE... or a FILE");
    const bool file = args.size() == 1 && args[0].find('=') == std::string::npos;
    const std::vector<FieldSetting> wanted = file ? ReadProfileFile(args[0]).settings : ParseAssignments(args);
    if (!route)
        route = OpenRoute(options.route, true, system);
    return TrySettings(route->access(), wanted, seconds, STDIN_FILENO, out);
}

// apply [--dry-run] [--boot] FILE: the whole file is checked before the chip is opened.
// apply --settle: the second half of --boot; touches no chip.
void RunApply(const Options& options, std::unique_ptr<Route>& route, const CtlSystem& system, std::ostream& out)
{
    bool dryRun = false, boot = false, settle = false;
    std::vector<std::string> files;
    for (const std::string& arg : options.args) {
        if (arg == "--dry-run")
            dryRun = true;
        else if (arg == "--boot")
            boot = true;
        else if (arg == "--settle")
            settle = true;
        else if (arg.size() > 1 && arg[0] == '-')
            throw CtlError(CtlBadInput, "apply: unknown option " + arg);
        else
            files.push_back(arg);
    }
    const BootGuard guard{system.stateDir, system.settleSeconds, system.bootIdPath};
    if (settle) {
        if (dryRun || boot || !files.empty())
            throw CtlError(CtlBadInput, "apply: --settle takes nothing else");
        const std::string done = SettleGuard(guard);
        if (!done.empty())
            out << done << "\n";
        return;
    }
    const std::string& path = OneFile(options, files);
    if (dryRun && boot)
        throw CtlError(CtlBadInput, "apply: --dry-run and --boot do not go together");
    const Profile profile = ReadProfileFile(path);
    auto apply = [&](int& writes) {
        if (!route)
            route = OpenRoute(options.route, !dryRun, system);
        ApplyProfile(route->access(), profile, dryRun, out, &writes);
    };
    if (boot) {
        GuardedApply(guard, path, apply);
    } else {
        int writes = 0;
        apply(writes);
    }
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
        // The emulated chip exists from the start, so that --save-emulated writes it however
        // the program ends; the real routes are opened only when a command needs the chip.
        if (options.route.kind == RouteKind::Emulated)
            route = OpenRoute(options.route, false, system);
        if (options.command == "check")
            CheckProfile(OneFile(options, options.args), out);
        else if (options.command == "bench")
            RunBenchCommand(options, out);
        else if (options.command == "try")
            status = RunTry(options, route, system, out);
        else if (options.command == "apply")
            RunApply(options, route, system, out);
        else
            RunOnChip(options, route, system, out);
    } catch (const CtlError& error) {
        // A profile's problems come one a line, each line a message of its own.
        std::string lines = error.what();
        for (size_t at = 0; (at = lines.find('\n', at)) != std::string::npos; at += 10)
            lines.insert(at + 1, "i815ctl: ");
        err << "i815ctl: " << lines << "\n";
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

int CtlMain(int argc, char** argv, const CtlSystem& system)
{
    CatchInterruptions();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunCtl(args, system, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout)
        return status == CtlDone ? CtlFailed : status;  // output lost (a full disk, a closed pipe)
    return status;
}
