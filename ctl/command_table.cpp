#include "command_table.h"

#include "bench.h"
#include "chip_commands.h"
#include "profile.h"
#include "profile_commands.h"
#include "try_command.h"

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
    static const std::vector<Command> commands = {
        {"show", "[--json]",
         "the chipset, its mode, memory and DIMMs, then every setting: its key, its value and its bits in the chip; "
         "--json: as JSON",
         {{"--json"}}, 0, 0, "takes no arguments", true, ShowCommand},
        {"get", "[--json] KEY...", "the values of settings, one per line; --json: as JSON", {{"--json"}}, 1, AnyNumber,
         "needs at least one KEY", true, GetCommand},
        {"set", "[--force] KEY=VALUE...",
         "changes settings; every one is checked before the first write; a value with a warning (one that can hang "
         "the machine, or the throttle lock) is written only with --force",
         {{"--force"}}, 1, AnyNumber, "needs at least one KEY=VALUE", true, SetCommand},
        {"dump", "[FILE]", "the 256 bytes of configuration space, as `lspci -xxx` prints them", {}, 0, 1,
         "takes at most one FILE", true, DumpCommand},
        {"save", "FILE", "every setting into a profile, FILE (key = value lines)", {}, 1, 1, "needs one FILE", true,
         SaveCommand},
        {"check", "FILE", "checks a profile without touching the chip", {}, 1, 1, "needs one FILE", false,
         CheckCommand},
        {"apply", "[--dry-run] [--boot] FILE",
         "gives the chip the settings of a profile, writing only those that differ; --dry-run only says what "
         "would change; --boot guards the boot-time apply against a profile that hangs the machine",
         {{"--dry-run"}, {"--boot"}}, 1, 1, "needs one FILE", true, ApplyCommand},
        {"apply", "--settle",
         "clears the guard's marker once the machine has kept running for 60 seconds after this boot's apply "
         "--boot (run beside it)",
         {{"--settle"}}, 0, 0, "takes nothing else", false, SettleCommand, "--settle"},
        {"try", "[--seconds N] [--force] KEY=VALUE... | FILE",
         "writes like set or apply, then asks whether to keep the change; without a \"yes\" within N seconds (20), "
         "the old values go back; answered from a pipe or a file, not a terminal, a value with a warning needs "
         "--force",
         {{"--seconds", 3600, 20}, {"--force"}}, 1, AnyNumber, "needs KEY=VALUE... or a FILE", true, TryCommand},
        {"bench", "[--repeat N]",
         "memory read, write and copy bandwidth and latency, N rounds (5); needs no privilege and touches no chip "
         "register",
         {{"--repeat", 100, 5}}, 0, 0, "takes no arguments", false, BenchCommand},
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
