#pragma once
// What every JSON output of i815ctl shares: nlohmann-json's ordered objects, the head with the
// format and the command, and the text as it is printed.

#include <nlohmann/json.hpp>

#include <functional>
#include <ostream>
#include <string>

using Json = nlohmann::ordered_json;

// {"format": JsonFormat, "command": command}
Json JsonHead(const std::string& command);
// Indented by 2, ASCII only, and a line end.
void PrintJson(const Json& json, std::ostream& out);
