#pragma once
// What i815ctl tells a user whom the system refused the chip, and how --help describes the
// routes: on each system's own terms (access_advice_posix.cpp, access_advice_win32.cpp).

#include <string>
#include <utility>
#include <vector>

struct CtlSystem;
struct RouteChoice;

// Advice for a refusal whose errno-like reason is `reason`, on the route `choice` asked for;
// "" when there is none to give.
std::string AccessAdvice(int reason, const RouteChoice& choice, const CtlSystem& system);

// The routes paragraph of --help: its heading, then each of the system's routes as an option
// and what it does (--emulated and --save-emulated, the same everywhere, follow them).
struct RoutesHelpText {
    std::string heading;
    std::vector<std::pair<std::string, std::string>> options;
};
RoutesHelpText RoutesHelp();
