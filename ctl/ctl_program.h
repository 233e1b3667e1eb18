#pragma once
// i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]: the settings of the i815 host bridge
// for scripts, reports and the boot-time apply. No Qt; libc and the C++ runtime only.

#include "routes.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Runs one command line (without the program name); returns the exit status: 0 done,
// 1 a failure, 2 bad usage or bad input, or not an i815.
int RunCtl(const std::vector<std::string>& args, const CtlSystem& system, std::ostream& out, std::ostream& err);
// The same with `in` as standard input (the FILE "-" of check and apply).
int RunCtl(const std::vector<std::string>& args, const CtlSystem& system, std::istream& in, std::ostream& out,
           std::ostream& err);

// The program: catches SIGINT, SIGTERM and SIGHUP (an apply finishes the setting it is writing
// and stops; interruption.h), runs the command line on stdout and stderr, and says when a write
// to stdout failed (status 1).
int CtlMain(int argc, char** argv, const CtlSystem& system);
