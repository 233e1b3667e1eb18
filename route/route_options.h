#pragma once
// The command-line options that choose the way to the chip, in one table: what each is called,
// what it chooses, what --help says of it and what is said whenever it is used. The rows of
// each system (route_options_linux.cpp, route_options_win32.cpp) come first, then those of the
// emulated chip, the same everywhere (route_options.cpp).

#include "chip_route.h"

#include <optional>
#include <string>
#include <vector>

// "--ports", "--emulated[=DUMP]", "--save-emulated FILE" (or "--save-emulated=FILE").
enum class RouteValue { None, Optional, Required };

struct RouteOption {
    const char* name;
    RouteKind kind;     // the route it chooses; for an option of a route, the route it belongs to
    bool choosesRoute;  // false for an option of a route (--save-emulated)
    RouteValue value;
    const char* valueName;                          // "DUMP", "FILE"; nullptr without a value
    std::optional<std::string> RouteChoice::*into;  // where the value goes; nullptr without a value
    const char* help;    // for --help, one paragraph
    bool shown;          // in this system's --help; else only accepted, for the route to refuse
    const char* notice;  // said on standard error when a command goes to the chip this way

    // "--emulated[=DUMP]", as --help shows it.
    std::string Usage() const;
};

// Every option, in the order of --help.
const std::vector<RouteOption>& RouteOptions();

// The option that `arg` is ("--emulated", "--emulated=DUMP"), with the value that it holds
// after "="; nullptr for any other argument.
const RouteOption* RouteOptionOf(const std::string& arg, std::optional<std::string>& value);

// The option that chooses `kind`; nullptr for the automatic route.
const RouteOption* RouteOptionFor(RouteKind kind);

// What --help says before the options: the route taken without one.
const char* RoutesHeading();

// This system's rows (route_options_linux.cpp, route_options_win32.cpp).
std::vector<RouteOption> SystemRouteOptions();
