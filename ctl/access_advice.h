#pragma once
// What i815ctl tells a user whom the system refused the chip, and how --help describes the
// routes: on each system's own terms (access_advice_posix.cpp, access_advice_win32.cpp).

#include <string>

struct CtlSystem;

// Advice for a refusal whose errno-like reason is `reason`; "" when there is none to give.
std::string AccessAdvice(int reason, const CtlSystem& system);
// The routes paragraph of --help: a heading line, then one line per option.
std::string RoutesHelp();
