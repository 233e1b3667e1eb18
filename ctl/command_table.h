#pragma once
// i815ctl's commands, a row each: what --help and the completion show of it, its options and
// how many arguments it takes, which the dispatcher (ctl_program.cpp) reads and checks before
// the command runs, and the function that then does its work.

#include "field_settings.h"
#include "routes.h"

#include <cstddef>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct Profile;

constexpr const char* ProgramName = "i815ctl";

// A flag ("--json"), a number from 1 to `limit` ("--seconds N" or "--seconds=N"), or a file
// ("--profile FILE" or "--profile=FILE").
struct CommandOption {
    const char* name;
    int limit = 0;                  // 0: a flag, or a file
    int fallback = 0;               // the number when the option is not given
    const char* shortName = nullptr;  // "-q" for "--quiet"
    bool file = false;              // it takes a file's path
};

// A command line, its options read and its arguments counted: what a command works with. The
// chip is opened when the command first asks for it.
struct Invocation {
    std::string command;
    std::vector<std::string> args;       // without the command's options
    std::map<std::string, int> options;  // each flag given (1), each number option (given or not)
    std::map<std::string, std::string> files;  // each file option given
    RouteChoice routeChoice;
    std::vector<std::string> routeArgs;  // the route's options as given, to repeat in advice
    const CtlSystem& system;
    std::unique_ptr<Route>& route;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    const StopSignal* stop;  // where a signal that asks the program to stop is noted

    ConfigAccess& Chip(bool forWriting);
    bool Flag(const std::string& name) const { return options.count(name) != 0; }
    int Number(const std::string& name) const { return options.at(name); }
    std::string File(const std::string& name) const { return files.count(name) ? files.at(name) : ""; }
    // A warning on standard error for each setting whose value has one; with the profile's
    // file and line when the setting comes from one.
    RiskNotice Warnings(const Profile* profile = nullptr) const;
};

constexpr size_t AnyNumber = size_t(-1);

struct Command {
    const char* name;
    const char* arguments;  // as the usage shows them after the name
    const char* help;       // what it does, one paragraph
    std::vector<CommandOption> options;
    size_t minArgs, maxArgs;  // once the options are out
    const char* countError;   // said after the name when the count is not within them
    bool touchesChip;         // it may go to the chip: the route's notice concerns it
    // Checks what the arguments say, then opens the chip if it needs it; returns the exit status.
    int (*run)(Invocation& call);
    // The option that makes a form of its own of the command ("apply --settle"); the command's
    // other row is the form without it.
    const char* form = nullptr;
    // Its status answers a question (diff: 0 the same, 1 different), so any failure is status 2,
    // as diff(1) has it.
    bool answers = false;
};

// Every command, in the order of --help.
const std::vector<Command>& CommandTable();

// This system's own commands, after the others: none on Linux (ctl_system_posix.cpp), driver
// on Windows (ctl_system_win32.cpp).
std::vector<Command> SystemCommands();

// The row of `name` for the arguments `args`; nullptr for an unknown command.
const Command* FindCommand(const std::string& name, const std::vector<std::string>& args);
// The option of `command` that `arg` names, long or short; nullptr for none.
const CommandOption* OptionNamed(const Command& command, const std::string& arg);
