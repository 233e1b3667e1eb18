#include "ctl_program.h"

#include "access_advice.h"
#include "bench.h"
#include "boot_guard.h"
#include "chip_commands.h"
#include "console.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "interruption.h"
#include "profile_commands.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "try_command.h"

#include <exception>
#include <optional>

#include <unistd.h>

namespace {

const char Program[] = "i815ctl";

// The value of "--name=VALUE"; nothing for any other argument.
std::optional<std::string> OptionValue(const std::string& arg, const std::string& name)
{
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    return std::nullopt;
}

// A command line, once the route options are read: the command's own arguments, and the chip,
// opened when the command first needs it.
struct Invocation {
    std::string command;
    std::vector<std::string> args;
    RouteChoice routeChoice;
    const CtlSystem& system;
    std::unique_ptr<Route>& route;
    std::ostream& out;

    ConfigAccess& Chip(bool forWriting)
    {
        if (!route)
            route = OpenRoute(routeChoice, forWriting, system);
        return route->access();
    }
};

struct Command {
    const char* name;
    const char* arguments;  // as the usage shows them after the name
    const char* help;       // what it does, lines joined by "\n"
    // Checks every argument, then opens the chip if it needs it; returns the exit status.
    int (*run)(Invocation& call);
};

void NoArguments(const Invocation& call)
{
    if (!call.args.empty())
        throw StatusError(ExitBadInput, call.command + " takes no arguments");
}

const std::string& OneFile(const Invocation& call, const std::vector<std::string>& args)
{
    if (args.size() != 1)
        throw StatusError(ExitBadInput, call.command + " needs one FILE");
    return args.front();
}

// "--name N" or "--name=N" at the front of the arguments: N, 1..limit; removes it.
int NumberOption(std::vector<std::string>& args, const std::string& name, int fallback, int limit)
{
    if (args.empty())
        return fallback;
    std::optional<std::string> text = OptionValue(args[0], name);
    if (args[0] == name) {
        if (args.size() < 2)
            throw StatusError(ExitBadInput, name + " needs a number");
        text = args[1];
        args.erase(args.begin());
    } else if (!text) {
        return fallback;
    }
    args.erase(args.begin());
    int value = 0;
    for (char c : *text) {
        if (c < '0' || c > '9' || value > limit)
            throw StatusError(ExitBadInput, name + " needs a number from 1 to " + std::to_string(limit));
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > limit)
        throw StatusError(ExitBadInput, name + " needs a number from 1 to " + std::to_string(limit));
    return value;
}

int ShowCommand(Invocation& call)
{
    NoArguments(call);
    ShowChip(call.Chip(false), call.out);
    return ExitNormal;
}

int GetCommand(Invocation& call)
{
    if (call.args.empty())
        throw StatusError(ExitBadInput, call.command + " needs at least one KEY");
    const std::vector<const Field*> fields = FieldsOf(call.args);
    GetFields(call.Chip(false), fields, call.out);
    return ExitNormal;
}

int SetCommand(Invocation& call)
{
    const StopSignal* stop = ArrivedSignal();
    if (call.args.empty())
        throw StatusError(ExitBadInput, call.command + " needs at least one KEY=VALUE");
    const std::vector<FieldSetting> wanted = ParseAssignments(call.args);
    SetFields(call.Chip(true), wanted, stop);
    return ExitNormal;
}

int DumpCommand(Invocation& call)
{
    NoArguments(call);
    DumpChip(call.Chip(false), call.out);
    return ExitNormal;
}

int SaveCommand(Invocation& call)
{
    const std::string& file = OneFile(call, call.args);
    SaveProfile(call.Chip(false), file);
    return ExitNormal;
}

int CheckCommand(Invocation& call)
{
    CheckProfile(OneFile(call, call.args), call.out);
    return ExitNormal;
}

// The whole file is checked before the chip is opened.
int ApplyCommand(Invocation& call)
{
    bool dryRun = false, boot = false;
    std::vector<std::string> files;
    for (const std::string& arg : call.args) {
        if (arg == "--dry-run")
            dryRun = true;
        else if (arg == "--boot")
            boot = true;
        else if (arg.size() > 1 && arg[0] == '-')
            throw StatusError(ExitBadInput, call.command + ": unknown option " + arg);
        else
            files.push_back(arg);
    }
    const std::string& path = OneFile(call, files);
    if (dryRun && boot)
        throw StatusError(ExitBadInput, call.command + ": --dry-run and --boot do not go together");
    const Profile profile = ReadProfileFile(path);
    auto apply = [&](int& writes) { ApplyProfile(call.Chip(!dryRun), profile, dryRun, call.out, &writes); };
    if (boot) {
        // No state folder of the system's (Windows): the marker lies beside the profile.
        const std::string stateDir = call.system.stateDir.empty() ? FolderOf(path) : call.system.stateDir;
        GuardedApply({stateDir, call.system.settleSeconds}, path, apply);
    } else {
        int writes = 0;
        apply(writes);
    }
    return ExitNormal;
}

int TryCommand(Invocation& call)
{
    std::vector<std::string> args = call.args;
    const int seconds = NumberOption(args, "--seconds", 20, 3600);
    if (args.empty())
        throw StatusError(ExitBadInput, call.command + " needs KEY=VALUE... or a FILE");
    const bool file = args.size() == 1 && args[0].find('=') == std::string::npos;
    const std::vector<FieldSetting> wanted = file ? ReadProfileFile(args[0]).settings : ParseAssignments(args);
    return TrySettings(call.Chip(true), wanted, seconds, STDIN_FILENO, call.out);
}

int BenchCommand(Invocation& call)
{
    std::vector<std::string> args = call.args;
    const int rounds = NumberOption(args, "--repeat", 5, 100);
    if (!args.empty())
        throw StatusError(ExitBadInput, call.command + ": unknown argument " + args[0]);
    const CacheInfo caches = ReadCacheInfo();
    call.out << FormatBench(RunBench(BenchBufferBytes(caches), caches.lineBytes, rounds, 0.1), caches);
    return ExitNormal;
}

const Command Commands[] = {
    {"show", "",
     "the chipset, its mode, memory and DIMMs, then every setting:\nits key, its value and its bits in the chip",
     ShowCommand},
    {"get", "KEY...", "the values of settings, one per line", GetCommand},
    {"set", "KEY=VALUE...", "changes settings; every one is checked before the first write", SetCommand},
    {"dump", "", "the 256 bytes of configuration space, as `lspci -xxx` prints them", DumpCommand},
    {"save", "FILE", "every setting into a profile, FILE (key = value lines)", SaveCommand},
    {"check", "FILE", "checks a profile without touching the chip", CheckCommand},
    {"apply", "[--dry-run] [--boot] FILE",
     "gives the chip the settings of a profile, writing only those that\ndiffer; --dry-run only says what would "
     "change; --boot guards the\nboot-time apply against a profile that hangs the machine",
     ApplyCommand},
    {"try", "[--seconds N] KEY=VALUE... | FILE",
     "writes like set or apply, then asks whether to keep the change;\nwithout a \"yes\" within N seconds (20), the "
     "old values go back",
     TryCommand},
    {"bench", "[--repeat N]",
     "memory read, write and copy bandwidth and latency, N rounds (5);\nneeds no privilege and touches no chip "
     "register",
     BenchCommand},
};

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : Commands)
        if (name == command.name)
            return &command;
    return nullptr;
}

// "  NAME ARGUMENTS   help", the help in one column, under the name where the two do not fit
// on one line.
std::string CommandLines()
{
    const std::string indent = "  ", column(21, ' ');
    std::string text;
    for (const Command& command : Commands) {
        const std::string usage = indent + command.name + (*command.arguments ? " " : "") + command.arguments;
        text += usage.size() < column.size() ? usage + std::string(column.size() - usage.size(), ' ')
                                             : usage + "\n" + column;
        for (const char* c = command.help; *c; ++c)
            text += *c == '\n' ? "\n" + column : std::string(1, *c);
        text += "\n";
    }
    return text;
}

// The values of the number fields: "for amtt and lptt, multiples of 8 from 0 to 248, ...".
std::string NumberValues()
{
    std::string keys, values;
    for (const Field* field : TunableFields()) {
        if (field->kind != FieldKind::Number)
            continue;
        keys += (keys.empty() ? "" : " and ") + FieldKey(*field);
        values = LegalValues(*field);
    }
    return "for " + keys + ", " + values;
}

// The words of a paragraph in lines of at most `width` columns.
std::string Wrapped(const std::string& paragraph, size_t width)
{
    std::string text, line;
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = paragraph.find(' ', start);
        if (end == std::string::npos)
            end = paragraph.size();
        const std::string word = paragraph.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return text + line + "\n";
}

std::string Usage()
{
    return "Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]\n"
           "Shows and changes the settings of the Intel i815 host bridge (PCI 00:00.0).\n"
           "\n"
           "Commands:\n" +
           CommandLines() + "\n" + RoutesHelp() +
           "  --emulated[=DUMP]  an emulated i815: the built-in one, or one from an `lspci -xxx` dump\n"
           "  --save-emulated FILE\n"
           "                     writes the emulated chip to FILE, in the same form, when the program ends\n"
           "\n" +
           Wrapped("Values: on or off for a check box; a list item's text (case and blanks do not matter) or its "
                   "position, 0 for the first; " +
                       NumberValues() + ".",
                   90) +
           "\n"
           "Exit status: 0 done; 1 a failure (access refused, the chip did not take a value, an I/O\n"
           "error, a try undone); 2 bad usage or bad input, or not an i815.\n"
           "\n"
           "  --help             shows this text\n"
           "  --version          shows the program's version\n";
}

struct Options {
    RouteChoice route;
    std::optional<std::string> saveEmulated;
    const Command* command = nullptr;
    std::vector<std::string> args;
    bool helpOnly = false;
    bool versionOnly = false;
};

Options ParseOptions(const std::vector<std::string>& args)
{
    Options options;
    bool routeGiven = false;
    auto chooseRoute = [&](RouteKind kind, const std::string& arg) {
        if (routeGiven)
            throw StatusError(ExitBadInput, "only one route may be given (" + arg + ")");
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
        } else if (const auto dump = OptionValue(arg, "--emulated"); dump || arg == "--emulated") {
            chooseRoute(RouteKind::Emulated, arg);
            if (dump && !dump->empty())
                options.route.dump = *dump;
        } else if (const auto file = OptionValue(arg, "--save-emulated"); file || arg == "--save-emulated") {
            if (options.saveEmulated)
                throw StatusError(ExitBadInput, "--save-emulated may be given once");
            if (file)
                options.saveEmulated = *file;
            else if (i + 1 < args.size())
                options.saveEmulated = args[++i];
            if (!options.saveEmulated || options.saveEmulated->empty())
                throw StatusError(ExitBadInput, "--save-emulated needs a FILE");
        } else if (!arg.empty() && arg[0] == '-') {
            throw StatusError(ExitBadInput, "unknown option " + arg);
        } else {
            break;
        }
    }
    if (i == args.size())
        throw StatusError(ExitBadInput, "no COMMAND given");
    if (options.saveEmulated && options.route.kind != RouteKind::Emulated)
        throw StatusError(ExitBadInput, "--save-emulated needs --emulated");
    options.command = FindCommand(args[i]);
    if (!options.command)
        throw StatusError(ExitBadInput, "unknown command \"" + args[i] + "\"");
    options.args.assign(args.begin() + long(i) + 1, args.end());
    return options;
}

// Every line of a message as a message of its own: "i815ctl: " in front of each.
std::string Prefixed(const std::string& lines)
{
    std::string text;
    size_t start = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        text += std::string(Program) + ": " + lines.substr(start, end - start + 1);
    return text + Program + ": " + lines.substr(start) + "\n";
}

}  // namespace

int RunCtl(const std::vector<std::string>& args, const CtlSystem& system, std::ostream& out, std::ostream& err)
{
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const StatusError& error) {
        err << Prefixed(error.what()) << "Try '" << Program << " --help' for more information.\n";
        return error.status();
    }
    if (options.helpOnly) {
        out << Usage();
        return ExitNormal;
    }
    if (options.versionOnly) {
        out << Program << " (i815 Quarvel) " << QuarvelVersion << "\n";
        return ExitNormal;
    }

    const std::string name = options.command->name;
    if (options.route.kind == RouteKind::Ports && name != "check" && name != "bench")
        err << "i815ctl: " << PortsNotice << "\n";

    std::unique_ptr<Route> route;
    int status = ExitNormal;
    try {
        // The emulated chip exists from the start, so that --save-emulated writes it however
        // the program ends; the real routes are opened only when a command needs the chip.
        if (options.route.kind == RouteKind::Emulated)
            route = OpenRoute(options.route, false, system);
        Invocation call{options.command->name, options.args, options.route, system, route, out};
        status = options.command->run(call);
    } catch (const StatusError& error) {
        err << Prefixed(error.what());
        status = error.status();
    } catch (const std::exception& failure) {
        err << Prefixed(failure.what());
        status = ExitFailure;
    }
    out.flush();

    if (options.saveEmulated && route && route->emulated()) {
        try {
            WriteRegisterDumpFile(*options.saveEmulated, route->emulated()->Space());
        } catch (const std::exception& failure) {
            err << Prefixed(failure.what());
            if (status == ExitNormal)
                status = ExitFailure;
        }
    }
    return status;
}

int CtlMain(int argc, char** argv, const CtlSystem& system)
{
    CatchInterruptions();
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::ostream& out = ConsoleOutput();
    const int status = RunCtl(args, system, out, ConsoleErrors());
    out.flush();
    if (!out)
        return status == ExitNormal ? ExitFailure : status;  // output lost (a full disk, a closed pipe)
    return status;
}
