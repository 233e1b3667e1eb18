#pragma once
// What i815ctl tells a user whom the system refused the chip: on each system's own terms
// (access_advice_posix.cpp, access_advice_win32.cpp).

#include <string>

struct CtlSystem;
struct RouteChoice;

// Advice for a refusal whose errno-like reason is `reason`, on the route `choice` asked for;
// "" when there is none to give.
std::string AccessAdvice(int reason, const RouteChoice& choice, const CtlSystem& system);
