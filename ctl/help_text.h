#pragma once
// i815ctl --help: the usage, the commands of the command table, the routes of route/'s option
// table, the values and the exit statuses, within 80 columns.

#include <cstddef>
#include <string>

std::string HelpText();
// i815ctl COMMAND --help: the usage of each form of the command and what it does.
std::string CommandHelp(const std::string& name);
// A paragraph in lines of at most `width` columns, each ended by "\n".
std::string WrappedParagraph(const std::string& paragraph, size_t width);
