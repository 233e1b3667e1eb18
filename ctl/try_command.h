#pragma once
// i815ctl try: writes settings like set or apply, then asks on the terminal whether to keep
// them. Without a "yes" in time, or when the terminal goes away (end of input, SIGHUP) or the
// program is interrupted (SIGINT, SIGTERM, SIGQUIT) or suspended (SIGTSTP: the program stops
// once the undo is done), the previous values go back and are read back.

#include "field_settings.h"

#include <ostream>
#include <vector>

class ConfigAccess;
struct Invocation;

// The command (command_table.h): KEY=VALUE arguments, or a profile's FILE, never "-", since
// standard input is where the answer comes from.
int TryCommand(Invocation& call);

// `input` is the terminal's descriptor. Tells `notice` of each change whose value has a warning
// before the first write. Returns 0 when the user kept the settings; throws StatusError: status
// 1 after an undo (saying what was undone), status 2 for the throttle lock, which no undo can
// take back, and for a value with a warning when `input` is no terminal and not `force`.
int TrySettings(ConfigAccess& chip, const std::vector<FieldSetting>& wanted, int seconds, int input,
                std::ostream& out, const RiskNotice& notice = {}, bool force = false);
