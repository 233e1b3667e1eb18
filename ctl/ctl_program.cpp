#include "ctl_program.h"

#include "command_table.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "interruption.h"
#include "quarvel_version.h"
#include "route_options.h"
#include "standard_output.h"

#include <algorithm>
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
    options.args.assign(args.begin() + long(i) + 1, args.end());
    options.command = FindCommand(args[i], options.args);
    if (!options.command)
        throw StatusError(ExitBadInput, "unknown command \"" + args[i] + "\"");
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
        const CommandOption* given = nullptr;
        std::optional<std::string> value;
        for (const CommandOption& option : command.options) {
            const std::string name = option.name;
            if (arg == name)
                given = &option;
            else if (option.limit && arg.compare(0, name.size() + 1, name + "=") == 0)
                given = &option, value = arg.substr(name.size() + 1);
        }
        if (!given) {
            rest.push_back(arg);
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
    for (const Command& command : CommandTable())
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

std::string HelpText()
{
    return "Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]\n"
           "Shows and changes the settings of the Intel i815 host bridge (PCI 00:00.0).\n"
           "\n"
           "Commands:\n" +
           CommandLines() + "\n" +
           Wrapped("A FILE - is standard input for check and apply, standard output for save and dump.", HelpWidth) +
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


void Add(std::vector<std::string>& words, const std::string& word)
{
    if (std::find(words.begin(), words.end(), word) == words.end())
        words.push_back(word);
}

// For the bash completion, which asks the program so that its words are always those of the
// command, route and field tables of the program installed; not in --help. One word a line:
//   --completion-words commands | options [COMMAND] | keys | values KEY
// Returns false for anything else.
bool CompletionWords(const std::vector<std::string>& what, std::ostream& out)
{
    std::vector<std::string> words;
    if (what.size() == 1 && what[0] == "commands") {
        for (const Command& command : CommandTable())
            Add(words, command.name);
    } else if (what.size() == 1 && what[0] == "options") {
        for (const RouteOption& option : RouteOptions()) {
            Add(words, option.name);
            if (option.value == RouteValue::Optional)
                Add(words, option.name + std::string("="));
        }
        words.insert(words.end(), {"--help", "--version"});
    } else if (what.size() == 2 && what[0] == "options") {
        // Every form's options: "apply" completes to --settle as well.
        if (!FindCommand(what[1], {}))
            return false;
        for (const Command& command : CommandTable())
            if (what[1] == command.name)
                for (const CommandOption& option : command.options)
                    Add(words, option.name);
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
    try {
        // The emulated chip exists from the start, so that --save-emulated writes it however
        // the program ends; the real routes are opened only when a command needs the chip.
        if (options.route.kind == RouteKind::Emulated)
            route = OpenRoute(options.route, false, system);
        Invocation call{command.name, options.args, {}, options.route, options.routeArgs, system, route, in, out, err};
        ReadCommandLine(command, call);
        status = command.run(call);
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
        StandardErrors() << ProgramName << ": standard output: write error: " << std::strerror(error) << "\n";
        if (status == ExitNormal)
            status = ExitFailure;
    }
    StopIfAsked();
    return status;
}
