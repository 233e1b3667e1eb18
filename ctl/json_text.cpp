#include "json_text.h"

#include "json_output.h"

Json JsonHead(const std::string& command) { return Json{{"format", JsonFormat}, {"command", command}}; }

void PrintJson(const Json& json, std::ostream& out) { out << json.dump(2, ' ', true) << "\n"; }
