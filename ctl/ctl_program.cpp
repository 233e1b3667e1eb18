#include "ctl_program.h"

#include "command_table.h"
#include "completion_words.h"
#include "dump_file.h"
#include "echoed_text.h"
#include "exit_status.h"
#include "help_text.h"
#include "input_text.h"
#include "interruption.h"
#include "quarvel_version.h"
#include "route_options.h"
#include "standard_output.h"

#include <cstring>
#include <exception>
#include <new>
#include <optional>

namespace {

struct Options {
    RouteChoice route;
    const RouteOption* routeOption = nullptr;  // the one that chose the route
    std::vector<std::string> routeArgs;        // what came before the command
    const Command* command = nullptr;
    std::vector<std::string> args;
    bool helpOnly = false;
    const Command* helpFor = nullptr;  // COMMAND --help
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
            throw StatusError(ExitBadInput, "only one route may be given (" + Echoed(args[i]) + ")");
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

// The program's options and the route's, up to the command; the command's own arguments are
// read when it runs.
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
        if (arg == "--version" || arg == "-V") {
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
            throw StatusError(ExitBadInput, "unknown option " + Echoed(arg));
        else
            break;
    }
    if (i == args.size())
        throw StatusError(ExitBadInput, "no COMMAND given");
    for (const RouteOption& option : RouteOptions())
        if (!option.choosesRoute && options.route.*option.into && options.route.kind != option.kind)
            throw StatusError(ExitBadInput, std::string(option.name) + " needs " + RouteOptionFor(option.kind)->name);
    options.routeArgs.assign(args.begin(), args.begin() + long(i));
    options.args.assign(args.begin() + long(i) + 1, args.end());
    options.command = FindCommand(args[i], options.args);
    if (!options.command)
        throw StatusError(ExitBadInput, "unknown command \"" + Echoed(args[i]) + "\"");
    for (const std::string& arg : options.args)
        if (arg == "--help" || arg == "-h")
            options.helpFor = options.command;
    return options;
}

// The value of a number option: decimal digits, 1..limit.
int NumberOf(const CommandOption& option, const std::string& text)
{
    const std::string wrong = option.name + std::string(" needs a number from 1 to ") + std::to_string(option.limit);
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > option.limit)
            throw StatusError(ExitBadInput, wrong);
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > option.limit)
        throw StatusError(ExitBadInput, wrong);
    return value;
}

// Takes the command's options out of its arguments, wherever they stand, then checks how many
// arguments are left: all before the command opens the chip. Any other argument, even one that
// begins with "-", is the command's to judge.
void ReadCommandLine(const Command& command, Invocation& call)
{
    std::vector<std::string> rest;
    for (const CommandOption& option : command.options)
        if (option.limit)
            call.options[option.name] = option.fallback;
    for (size_t i = 0; i < call.args.size(); ++i) {
        const std::string& arg = call.args[i];
        const CommandOption* given = OptionNamed(command, arg);
        std::optional<std::string> value;
        for (const CommandOption& option : command.options) {
            const std::string name = option.name;
            if (!given && (option.limit || option.file) && arg.compare(0, name.size() + 1, name + "=") == 0) {
                given = &option;
                value = arg.substr(name.size() + 1);
            }
        }
        if (!given) {
            rest.push_back(arg);
        } else if (given->file) {
            if (!value && i + 1 < call.args.size())
                value = call.args[++i];
            if (!value || value->empty() || (*value)[0] == '-')
                throw StatusError(ExitBadInput, given->name + std::string(" needs a FILE"));
            call.files[given->name] = *value;
        } else if (!given->limit) {
            call.options[given->name] = 1;
        } else {
            if (!value && i + 1 == call.args.size())
                throw StatusError(ExitBadInput, given->name + std::string(" needs a number"));
            call.options[given->name] = NumberOf(*given, value ? *value : call.args[++i]);
        }
    }
    call.args = rest;
    if (call.args.size() < command.minArgs || call.args.size() > command.maxArgs)
        throw StatusError(ExitBadInput, call.command + (command.form ? std::string(" ") + command.form : "") + " " +
                                            command.countError);
}

// Every line of a message as a message of its own: "i815ctl: " in front of each.
std::string Prefixed(const std::string& lines)
{
    std::string text;
    size_t start = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        text += std::string(ProgramName) + ": " + lines.substr(start, end - start + 1);
    return text + ProgramName + ": " + lines.substr(start) + "\n";
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
        err << Prefixed(error.what()) << "Try '" << ProgramName << " --help' for more information.\n";
        return error.status();
    }
    if (options.helpOnly) {
        out << HelpText();
        return ExitNormal;
    }
    if (options.helpFor) {
        out << CommandHelp(options.helpFor->name);
        return ExitNormal;
    }
    if (options.versionOnly) {
        out << ProgramName << " (i815 Quarvel) " << QuarvelVersion << "\n";
        return ExitNormal;
    }
    if (options.completion)
        return CompletionWords(*options.completion, out) ? ExitNormal : ExitBadInput;

    const Command& command = *options.command;
    if (options.routeOption && options.routeOption->notice && command.touchesChip)
        err << ProgramName << ": " << options.routeOption->notice << "\n";

    std::unique_ptr<Route> route;
    int status = ExitNormal;
    // A command whose status answers a question leaves 1 to the answer.
    auto failure = [&command](int status) { return command.answers ? int(ExitBadInput) : status; };
    try {
        if (options.route.dump && *options.route.dump == "-") {
            options.route.dumpText = ReadInputText(in, StandardInputName, DumpSizeLimit);
            if (options.route.dumpText->size() > DumpSizeLimit)
                throw StatusError(ExitBadInput, std::string(StandardInputName) +
                                                    ": larger than 1 MiB; a dump of `lspci -xxx` is a few KiB");
        }
        // The emulated chip exists from the start, so that --save-emulated writes it however
        // the program ends; the real routes are opened only when a command needs the chip.
        if (options.route.kind == RouteKind::Emulated)
            route = OpenRoute(options.route, false, system);
        Invocation call{command.name, options.args, {}, {}, options.route, options.routeArgs, system, route,
                        in,           out,          err, ArrivedSignal()};
        ReadCommandLine(command, call);
        status = command.run(call);
    } catch (const StatusError& error) {
        err << Prefixed(error.what());
        status = failure(error.status());
    } catch (const std::bad_alloc&) {
        err << Prefixed("out of memory");
        status = failure(ExitFailure);
    } catch (const std::exception& error) {
        err << Prefixed(error.what());
        status = failure(ExitFailure);
    }
    out.flush();
    if (!out)
        status = failure(status);

    if (route) {
        try {
            route->SaveEmulated(out);
            out.flush();
        } catch (const std::exception& error) {
            err << Prefixed(error.what());
            if (status == ExitNormal || command.answers)
                status = failure(ExitFailure);
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
        StandardErrors() << ProgramName << ": standard output: write error: " << std::strerror(error) << "\n";
        if (status == ExitNormal)
            status = ExitFailure;
    }
    StopIfAsked();
    return status;
}
