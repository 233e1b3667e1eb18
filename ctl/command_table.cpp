#include "command_table.h"

#include "bench.h"
#include "chip_commands.h"
#include "list_command.h"
#include "profile.h"
#include "profile_commands.h"
#include "try_command.h"
#include "tune_command.h"

#include <algorithm>

namespace {

std::vector<Command> Joined(std::vector<Command> rows, const std::vector<Command>& more)
{
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

}  // namespace

ConfigAccess& Invocation::Chip(bool forWriting)
{
    if (!route)
        route = OpenRoute(routeChoice, forWriting, system);
    return route->access();
}

RiskNotice Invocation::Warnings(const Profile* profile) const
{
    return [&stream = err, profile](const FieldSetting& setting) {
        stream << ProgramName << ": "
               << (profile ? ProfileWarning(*profile, setting) : "warning: " + RiskLine(setting)) << "\n";
    };
}

const std::vector<Command>& CommandTable()
{
    const CommandOption json{"--json"}, quiet{"--quiet", 0, 0, "-q"};
    static const std::vector<Command> commands = {
        {"show", "[--json]",
         "the chipset, its mode, memory and DIMMs, then every setting: its key, its value and its bits in the chip; "
         "--json: as JSON",
         {json}, 0, 0, "takes no arguments", true, ShowCommand},
        {"get", "[--json] [KEY...]",
         "the values of settings, one per line; without a KEY every setting, as KEY=VALUE lines; --json: as JSON",
         {json}, 0, AnyNumber, "", true, GetCommand},
        {"set", "[--force] [-v] KEY=VALUE...",
         "changes settings; every one is checked before the first write; a value with a warning (one that can hang "
         "the machine, or the throttle lock) is written only with --force; -v: each change as KEY: OLD -> NEW",
         {{"--force"}, {"--verbose", 0, 0, "-v"}}, 1, AnyNumber, "needs at least one KEY=VALUE", true, SetCommand},
        {"list", "[--json] [KEY...]",
         "every setting (or those named) without the chip: its key, its caption, its legal values with their "
         "words and the warnings of its values; --json: as JSON",
         {json}, 0, AnyNumber, "", false, ListCommand},
        {"dump", "[FILE]", "the 256 bytes of configuration space, as `lspci -xxx` prints them", {}, 0, 1,
         "takes at most one FILE", true, DumpCommand},
        {"save", "FILE", "every setting into a profile, FILE (key = value lines)", {}, 1, 1, "needs one FILE", true,
         SaveCommand},
        {"check", "[--json] [-q] FILE",
         "checks a profile without touching the chip; --json: as JSON; -q: only the status tells",
         {json, quiet}, 1, 1, "needs one FILE", false, CheckCommand},
        {"diff", "[--json] [-q] FILE",
         "compares the chip with a profile: each setting that differs, as KEY: CHIP -> PROFILE; status 0 the "
         "same, 1 different, 2 trouble; --json: as JSON; -q: only the status tells",
         {json, quiet}, 1, 1, "needs one FILE", true, DiffCommand, nullptr, true},
        {"apply", "[--dry-run] [--boot] [-q] FILE",
         "gives the chip the settings of a profile, writing only those that differ; --dry-run only says what "
         "would change; --boot guards the boot-time apply against a profile that hangs the machine; -q: says "
         "nothing of what it writes",
         {{"--dry-run"}, {"--boot"}, quiet}, 1, 1, "needs one FILE", true, ApplyCommand},
        {"apply", "--settle",
         "clears the guard's marker once the machine has kept running for 60 seconds after this boot's apply "
         "--boot (run beside it)",
         {{"--settle"}}, 0, 0, "takes nothing else", false, SettleCommand, "--settle"},
        {"try", "[--seconds N] [--force] KEY=VALUE... | FILE",
         "writes like set or apply, then asks whether to keep the change; without a \"yes\" within N seconds (20), "
         "the old values go back; answered from a pipe or a file, not a terminal, a value with a warning needs "
         "--force",
         {{"--seconds", 3600, 20}, {"--force"}}, 1, AnyNumber, "needs KEY=VALUE... or a FILE", true, TryCommand},
        {"bench", "[--repeat N] [--json]",
         "memory read, write and copy bandwidth and latency, N rounds (5); needs no privilege and touches no chip "
         "register; --json: as JSON, once every figure is measured",
         {{"--repeat", 100, 5}, json}, 0, 0, "takes no arguments", false, BenchCommand},
        {"tune", "[--minutes N] [--memory MIB] [--profile FILE] [--force] [--json]",
         "steps the SDRAM timings and the memory arbiter toward speed, one change at a time: each is tested for "
         "memory errors over MIB MiB (64) and measured, and kept only without errors and with a gain beyond the "
         "bench's spread; a step that hangs the machine is recorded and never tried again; asks first, on a "
         "terminal, or takes --force; no step begins after N minutes (10); the result saved as a profile in FILE; "
         "--json: the steps as JSON, at the end",
         {{"--minutes", 1440, 10}, {"--memory", 4096, 64}, {"--profile", 0, 0, nullptr, true}, {"--force"}, json},
         0, 0, "takes no arguments", true, TuneCommand},
    };
    static const std::vector<Command> all = Joined(commands, SystemCommands());
    return all;
}

const Command* FindCommand(const std::string& name, const std::vector<std::string>& args)
{
    const Command* found = nullptr;
    for (const Command& command : CommandTable()) {
        if (name != command.name)
            continue;
        if (!command.form)
            found = found ? found : &command;
        else if (std::find(args.begin(), args.end(), command.form) != args.end())
            return &command;
    }
    return found;
}

const CommandOption* OptionNamed(const Command& command, const std::string& arg)
{
    for (const CommandOption& option : command.options)
        if (arg == option.name || (option.shortName && arg == option.shortName))
            return &option;
    return nullptr;
}
