#pragma once
// save, check and apply: profiles in and out of the chip. A FILE "-" is standard output for
// save, standard input for check and apply.

#include "profile.h"

#include <ostream>
#include <string>

class ConfigAccess;
struct Invocation;

// The commands (command_table.h).
int SaveCommand(Invocation& call);
int CheckCommand(Invocation& call);
// The whole file is checked before the chip is opened; --boot applies under the boot guard.
int ApplyCommand(Invocation& call);
// apply --settle: the second half of apply --boot; touches no chip.
int SettleCommand(Invocation& call);

// Into the file `path`, or onto `out` for "-".
void SaveProfile(ConfigAccess& chip, const std::string& path, std::ostream& out);
// Tells `notice` of each setting whose value has a warning of its own (agpfw = on), then prints
// "FILE: N settings, no problems" (", K warnings" when there were any). A setting whose every
// change has the warning (cas) is no risk by its value: it is named at the end, "; apply warns
// if it changes cas or ras", for the chip may hold that value already.
void CheckProfile(const Profile& profile, std::ostream& out, const RiskNotice& notice);
// Writes the settings that differ from the chip, each announced on `out` as it is written,
// or, for a dry run, only says what would change. Tells `notice` first of each change whose
// value has a warning; a profile is a deliberate file, so such a change is written all the
// same. Counts its writes in `writes`. Throws StatusError.
void ApplyProfile(ConfigAccess& chip, const Profile& profile, bool dryRun, std::ostream& out, int* writes = nullptr,
                  const RiskNotice& notice = {});
