#pragma once
// i815ctl --help: the usage, the commands of the command table, the routes of route/'s option
// table, the values and the exit statuses, within 80 columns.

#include <string>

std::string HelpText();
