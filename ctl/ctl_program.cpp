#include "ctl_program.h"

#include "bench.h"
#include "boot_guard.h"
#include "chip_commands.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_settings.h"
#include "files.h"
#include "field_values.h"
#include "interruption.h"
#include "json_output.h"
#include "profile_commands.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "route_options.h"
#include "shell_word.h"
#include "standard_output.h"
#include "try_command.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
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
    std::vector<std::string> routeArgs;  // the route's options as given, to repeat in advice
    const CtlSystem& system;
    std::unique_ptr<Route>& route;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;

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
    const char* help;       // what it does, one paragraph
    // Checks every argument, then opens the chip if it needs it; returns the exit status.
    int (*run)(Invocation& call);
    const char* options;    // its options, for completion
};

// Removes every `flag` from the arguments; returns whether there was one.
bool TakeFlag(std::vector<std::string>& args, const std::string& flag)
{
    const auto end = std::remove(args.begin(), args.end(), flag);
    const bool given = end != args.end();
    args.erase(end, args.end());
    return given;
}

// A warning of the window's hints, on standard error, for each setting that has one.
RiskNotice WarnOn(std::ostream& err, const Profile* profile = nullptr)
{
    return [&err, profile](const FieldSetting& setting) {
        err << Program << ": " << (profile ? ProfileWarning(*profile, setting) : "warning: " + RiskLine(setting))
            << "\n";
    };
}

// A profile from a FILE argument: "-" is standard input.
Profile ReadProfileArgument(const Invocation& call, const std::string& path)
{
    return path == "-" ? ReadProfileStream(call.in, StandardInputName) : ReadProfileFile(path);
}

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
    const bool json = TakeFlag(call.args, "--json");
    NoArguments(call);
    if (json)
        ShowChipJson(call.Chip(false), call.out);
    else
        ShowChip(call.Chip(false), call.out);
    return ExitNormal;
}

int GetCommand(Invocation& call)
{
    const bool json = TakeFlag(call.args, "--json");
    if (call.args.empty())
        throw StatusError(ExitBadInput, call.command + " needs at least one KEY");
    const std::vector<const Field*> fields = FieldsOf(call.args);
    if (json)
        GetFieldsJson(call.Chip(false), fields, call.out);
    else
        GetFields(call.Chip(false), fields, call.out);
    return ExitNormal;
}

// "nothing written: ...", for set without --force: try is the safe way for all but a lock,
// which no undo takes back. The try it suggests goes the same route to the same chip.
std::string ForceNeeded(const Invocation& call, const std::vector<FieldSetting>& risky)
{
    std::string tryable;
    for (const FieldSetting& setting : risky)
        if (!LocksOthers(*setting.field))
            tryable += " " + ShellWord(FieldKey(*setting.field) + "=" + ValueWord(*setting.field, setting.state));
    std::string text = "nothing written: set gives the chip a value with a warning only with --force";
    if (tryable.empty())
        return text;
    std::string command = Program;
    for (const std::string& arg : call.routeArgs)
        command += " " + ShellWord(arg);
    return text + "; the safe way to find out is " + command + " try" + tryable +
           ", which puts the old values back unless you type yes";
}

// Values with a warning are written only with --force, and only once each warning is out.
int SetCommand(Invocation& call)
{
    const StopSignal* stop = ArrivedSignal();
    const bool force = TakeFlag(call.args, "--force");
    if (call.args.empty())
        throw StatusError(ExitBadInput, call.command + " needs at least one KEY=VALUE");
    const std::vector<FieldSetting> wanted = ParseAssignments(call.args);
    ConfigAccess& chip = call.Chip(true);
    RequireI815(chip);
    const std::vector<FieldSetting> changes = PlanChanges(chip, wanted);
    std::vector<FieldSetting> risky;
    for (const FieldSetting& change : changes) {
        if (RiskLine(change).empty())
            continue;
        WarnOn(call.err)(change);
        risky.push_back(change);
    }
    if (!risky.empty() && !force)
        throw StatusError(ExitBadInput, ForceNeeded(call, risky));
    WriteSettings(chip, changes, wanted, stop);
    return ExitNormal;
}

// dump [FILE]: standard output without a FILE or for "-"; a FILE is written whole or not at all.
int DumpCommand(Invocation& call)
{
    if (call.args.size() > 1)
        throw StatusError(ExitBadInput, call.command + " takes at most one FILE");
    const std::string text = FormatDump(call.Chip(false));
    if (call.args.empty() || call.args.front() == "-")
        call.out << text;
    else
        WriteProfileFile(call.args.front(), text);
    return ExitNormal;
}

int SaveCommand(Invocation& call)
{
    const std::string& file = OneFile(call, call.args);
    SaveProfile(call.Chip(false), file, call.out);
    return ExitNormal;
}

int CheckCommand(Invocation& call)
{
    const Profile profile = ReadProfileArgument(call, OneFile(call, call.args));
    CheckProfile(profile, call.out, WarnOn(call.err, &profile));
    return ExitNormal;
}

// Where the guard of a boot-time apply keeps its marker: the system's folder for the chip, or,
// where the system has none (Windows), the folder of the profile; beside the dump for an
// emulated chip, which must never stop or clear a real boot's apply. The built-in emulated chip
// lasts no longer than the program: it has no marker. Nor has apply --settle, which names no
// profile, where the marker lies beside it.
std::optional<BootGuard> GuardFor(const Invocation& call, const std::string& profilePath)
{
    const CtlSystem& system = call.system;
    if (call.routeChoice.kind != RouteKind::Emulated) {
        if (system.stateDir.empty() && profilePath.empty())
            return std::nullopt;
        return BootGuard{system.stateDir.empty() ? FolderOf(profilePath) : system.stateDir, system.settleSeconds,
                         system.bootIdPath};
    }
    if (!call.routeChoice.dump)
        return std::nullopt;
    const std::string& dump = *call.routeChoice.dump;
    BootGuard guard{FolderOf(dump), system.settleSeconds, system.bootIdPath};
    guard.markerName = NameOf(dump) + ".apply-in-progress";
    return guard;
}

// The whole file is checked before the chip is opened.
// apply --settle: the second half of --boot; touches no chip.
int ApplyCommand(Invocation& call)
{
    bool dryRun = false, boot = false, settle = false;
    std::vector<std::string> files;
    for (const std::string& arg : call.args) {
        if (arg == "--dry-run")
            dryRun = true;
        else if (arg == "--boot")
            boot = true;
        else if (arg == "--settle")
            settle = true;
        else if (arg.size() > 1 && arg[0] == '-')
            throw StatusError(ExitBadInput, call.command + ": unknown option " + arg);
        else
            files.push_back(arg);
    }
    if (settle) {
        if (dryRun || boot || !files.empty())
            throw StatusError(ExitBadInput, call.command + ": --settle takes nothing else");
        const std::optional<BootGuard> guard = GuardFor(call, "");
        const std::string done = guard ? SettleGuard(*guard) : "";
        if (!done.empty())
            call.out << done << "\n";
        return ExitNormal;
    }
    const std::string& path = OneFile(call, files);
    const std::optional<BootGuard> guard = GuardFor(call, path);
    if (dryRun && boot)
        throw StatusError(ExitBadInput, call.command + ": --dry-run and --boot do not go together");
    const Profile profile = ReadProfileArgument(call, path);
    auto apply = [&](int& writes) {
        ApplyProfile(call.Chip(!dryRun), profile, dryRun, call.out, &writes, WarnOn(call.err, &profile));
    };
    if (boot && guard) {
        GuardedApply(*guard, profile.source, apply);
        if (call.system.settleInApply) {
            const std::string done = SettleGuard(*guard);
            if (!done.empty())
                call.out << done << "\n";
        }
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
    if (file && args[0] == "-")
        throw StatusError(ExitBadInput, call.command + " reads its answer from standard input, so it takes its "
                                                       "profile from a FILE, not from -");
    std::optional<Profile> profile;
    if (file)
        profile = ReadProfileFile(args[0]);
    const std::vector<FieldSetting> wanted = file ? profile->settings : ParseAssignments(args);
    return TrySettings(call.Chip(true), wanted, seconds, STDIN_FILENO, call.out,
                       WarnOn(call.err, profile ? &*profile : nullptr));
}

int BenchCommand(Invocation& call)
{
    std::vector<std::string> args = call.args;
    const int rounds = NumberOption(args, "--repeat", 5, 100);
    if (!args.empty())
        throw StatusError(ExitBadInput, call.command + ": unknown argument " + args[0]);
    const CacheInfo caches = ReadCacheInfo(call.system.cacheFolder, call.system.cpuinfoPath);
    const size_t bytes = BenchBufferBytes(caches);
    // Each figure as soon as it is measured: a terminal shows it at once.
    call.out << FormatBenchHeader(bytes, caches, rounds) << std::flush;
    RunBench(bytes, caches.lineBytes, rounds, 0.1,
             [&](const BenchFigure& figure) { call.out << FormatBenchFigure(figure) << std::flush; },
             ArrivedSignal());
    return ExitNormal;
}

const Command Commands[] = {
    {"show", "[--json]",
     "the chipset, its mode, memory and DIMMs, then every setting: its key, its value and its bits in the chip; "
     "--json: as JSON",
     ShowCommand, "--json"},
    {"get", "[--json] KEY...", "the values of settings, one per line; --json: as JSON", GetCommand, "--json"},
    {"set", "[--force] KEY=VALUE...",
     "changes settings; every one is checked before the first write; a value with a warning (one that can hang "
     "the machine, or the throttle lock) is written only with --force",
     SetCommand, "--force"},
    {"dump", "[FILE]", "the 256 bytes of configuration space, as `lspci -xxx` prints them", DumpCommand, ""},
    {"save", "FILE", "every setting into a profile, FILE (key = value lines)", SaveCommand, ""},
    {"check", "FILE", "checks a profile without touching the chip", CheckCommand, ""},
    {"apply", "[--dry-run] [--boot] FILE",
     "gives the chip the settings of a profile, writing only those that differ; --dry-run only says what "
     "would change; --boot guards the boot-time apply against a profile that hangs the machine",
     ApplyCommand, "--dry-run --boot --settle"},
    {"apply", "--settle",
     "clears the guard's marker once the machine has kept running for 60 seconds after this boot's apply "
     "--boot (run beside it)",
     ApplyCommand, "--dry-run --boot --settle"},
    {"try", "[--seconds N] KEY=VALUE... | FILE",
     "writes like set or apply, then asks whether to keep the change; without a \"yes\" within N seconds (20), "
     "the old values go back",
     TryCommand, "--seconds"},
    {"bench", "[--repeat N]",
     "memory read, write and copy bandwidth and latency, N rounds (5); needs no privilege and touches no chip "
     "register",
     BenchCommand, "--repeat"},
};

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : Commands)
        if (name == command.name)
            return &command;
    return nullptr;
}

constexpr size_t HelpWidth = 80;

// The words of a paragraph in lines of at most `width` columns. A command in backquotes
// (`lspci -xxx`) is one word.
std::string Wrapped(const std::string& paragraph, size_t width)
{
    std::string text, line;
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = start;
        for (bool quoted = false; end < paragraph.size() && (quoted || paragraph[end] != ' '); ++end)
            quoted = quoted != (paragraph[end] == '`');
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

// "  USAGE   help", the help wrapped in a column of its own, under the usage where the two do
// not fit on one line.
std::string Entry(const std::string& usage, const std::string& help)
{
    const std::string column(23, ' ');
    const std::string lines = Wrapped(help, HelpWidth - column.size());
    std::string text = "  " + usage;
    text += text.size() + 2 <= column.size() ? std::string(column.size() - text.size(), ' ') : "\n" + column;
    for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        text += (start ? column : "") + lines.substr(start, end - start + 1);
    return text;
}

std::string CommandLines()
{
    std::string text;
    for (const Command& command : Commands)
        text += Entry(std::string(command.name) + (*command.arguments ? " " : "") + command.arguments, command.help);
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

std::string RouteLines()
{
    std::string text = Wrapped(RoutesHeading(), HelpWidth);
    for (const RouteOption& option : RouteOptions())
        if (option.shown)
            text += Entry(option.Usage(), option.help);
    return text;
}

std::string Usage()
{
    return "Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]\n"
           "Shows and changes the settings of the Intel i815 host bridge (PCI 00:00.0).\n"
           "\n"
           "Commands:\n" +
           CommandLines() + "\n" + Wrapped("A FILE - is standard input for check and apply, standard output for save and dump.",
                                    HelpWidth) +
           "\n" +
           RouteLines() + "\n" +
           Wrapped("Values: on or off for a check box; for a list, a word or number of its item (cas=2, agpmode=4x, "
                   "rdthr=75%, sms=7.8us, dpcp=one) or the item's whole text as show prints it, never its place in "
                   "the list; " +
                       NumberValues() + ". The manual's SETTINGS name every key and value and what it does.",
                   HelpWidth) +
           "\n" +
           Wrapped("Exit status: 0 done; 1 a failure (access refused, the chip did not take a value, an I/O error, a "
                   "try undone); 2 bad usage or bad input (a value with a warning without --force), or not an i815.",
                   HelpWidth) +
           "\n" + Entry("--help", "shows this text") + Entry("--version", "shows the program's version");
}

struct Options {
    RouteChoice route;
    const RouteOption* routeOption = nullptr;  // the one that chose the route
    std::vector<std::string> routeArgs;        // what came before the command
    const Command* command = nullptr;
    std::vector<std::string> args;
    bool helpOnly = false;
    bool versionOnly = false;
    std::optional<std::vector<std::string>> completion;  // --completion-words WHAT...
};

// The route option args[i], with its value after "=", if any: the route it chooses, and its
// dump or its file.
void TakeRouteOption(const RouteOption& option, std::optional<std::string> value, const std::vector<std::string>& args,
                     size_t& i, Options& options)
{
    if (option.choosesRoute) {
        if (options.routeOption)
            throw StatusError(ExitBadInput, "only one route may be given (" + args[i] + ")");
        options.routeOption = &option;
        options.route.kind = option.kind;
    }
    if (option.value == RouteValue::Required) {
        if (options.route.*option.into)
            throw StatusError(ExitBadInput, std::string(option.name) + " may be given once");
        if (!value && i + 1 < args.size())
            value = args[++i];
        if (!value || value->empty())
            throw StatusError(ExitBadInput, std::string(option.name) + " needs a " + option.valueName);
    }
    if (value && !value->empty())
        options.route.*option.into = *value;
}

Options ParseOptions(const std::vector<std::string>& args)
{
    Options options;
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
        if (arg == "--completion-words") {
            options.completion.emplace(args.begin() + long(i) + 1, args.end());
            return options;
        }
        std::optional<std::string> value;
        if (const RouteOption* option = RouteOptionOf(arg, value))
            TakeRouteOption(*option, value, args, i, options);
        else if (!arg.empty() && arg[0] == '-')
            throw StatusError(ExitBadInput, "unknown option " + arg);
        else
            break;
    }
    if (i == args.size())
        throw StatusError(ExitBadInput, "no COMMAND given");
    for (const RouteOption& option : RouteOptions())
        if (!option.choosesRoute && options.route.*option.into && options.route.kind != option.kind)
            throw StatusError(ExitBadInput, std::string(option.name) + " needs " + RouteOptionFor(option.kind)->name);
    options.routeArgs.assign(args.begin(), args.begin() + long(i));
    options.command = FindCommand(args[i]);
    if (!options.command)
        throw StatusError(ExitBadInput, "unknown command \"" + args[i] + "\"");
    options.args.assign(args.begin() + long(i) + 1, args.end());
    return options;
}

// For the bash completion, which asks the program so that its words are always those of the
// field table of the program installed; not in --help. One word a line:
//   --completion-words commands | options [COMMAND] | keys | values KEY
// Returns false for anything else.
bool CompletionWords(const std::vector<std::string>& what, std::ostream& out)
{
    std::vector<std::string> words;
    if (what.size() == 1 && what[0] == "commands") {
        for (const Command& command : Commands)
            if (std::find(words.begin(), words.end(), command.name) == words.end())
                words.push_back(command.name);
    } else if (what.size() == 1 && what[0] == "options") {
        for (const RouteOption& option : RouteOptions()) {
            words.push_back(option.name);
            if (option.value == RouteValue::Optional)
                words.push_back(option.name + std::string("="));
        }
        words.insert(words.end(), {"--help", "--version"});
    } else if (what.size() == 2 && what[0] == "options") {
        const Command* command = FindCommand(what[1]);
        if (!command)
            return false;
        for (std::string option, all = command->options; !all.empty(); all.erase(0, option.size() + 1)) {
            option = all.substr(0, all.find(' '));
            words.push_back(option);
        }
    } else if (what.size() == 1 && what[0] == "keys") {
        for (const Field* field : TunableFields())
            words.push_back(FieldKey(*field));
    } else if (what.size() == 2 && what[0] == "values") {
        const Field* field = FieldForKey(what[1]);
        if (!field)
            return false;
        words = ValueWords(*field);
    } else {
        return false;
    }
    for (const std::string& word : words)
        out << word << "\n";
    return true;
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
    return RunCtl(args, system, StandardInput(), out, err);
}

int RunCtl(const std::vector<std::string>& args, const CtlSystem& system, std::istream& in, std::ostream& out,
           std::ostream& err)
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
    if (options.completion)
        return CompletionWords(*options.completion, out) ? ExitNormal : ExitBadInput;

    const std::string name = options.command->name;
    if (options.routeOption && options.routeOption->notice && name != "check" && name != "bench")
        err << Program << ": " << options.routeOption->notice << "\n";

    std::unique_ptr<Route> route;
    int status = ExitNormal;
    try {
        // The emulated chip exists from the start, so that --save-emulated writes it however
        // the program ends; the real routes are opened only when a command needs the chip.
        if (options.route.kind == RouteKind::Emulated)
            route = OpenRoute(options.route, false, system);
        Invocation call{options.command->name, options.args, options.route, options.routeArgs, system, route, in, out, err};
        status = options.command->run(call);
    } catch (const StatusError& error) {
        err << Prefixed(error.what());
        status = error.status();
    } catch (const std::bad_alloc&) {
        err << Prefixed("out of memory");
        status = ExitFailure;
    } catch (const std::exception& failure) {
        err << Prefixed(failure.what());
        status = ExitFailure;
    }
    out.flush();

    if (route) {
        try {
            route->SaveEmulated();
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
    StandardOutput output;
    CatchInterruptions();
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status = RunCtl(args, system, output.stream(), StandardErrors());
    if (const int error = output.Finish()) {
        StandardErrors() << Program << ": standard output: write error: " << std::strerror(error) << "\n";
        if (status == ExitNormal)
            status = ExitFailure;
    }
    StopIfAsked();
    return status;
}
