#pragma once
// save, check and apply: profiles in and out of the chip.

#include "profile.h"

#include <ostream>
#include <string>

class ConfigAccess;

// Into the file `path`, or onto `out` for "-".
void SaveProfile(ConfigAccess& chip, const std::string& path, std::ostream& out);
// Tells `notice` of each setting whose value has a warning, then prints "FILE: N settings, no
// problems" (", K warnings" when there were any).
void CheckProfile(const Profile& profile, std::ostream& out, const RiskNotice& notice);
// Writes the settings that differ from the chip, each announced on `out` as it is written,
// or, for a dry run, only says what would change. Tells `notice` first of each change whose
// value has a warning; a profile is a deliberate file, so such a change is written all the
// same. Counts its writes in `writes`. Throws StatusError.
void ApplyProfile(ConfigAccess& chip, const Profile& profile, bool dryRun, std::ostream& out, int* writes = nullptr,
                  const RiskNotice& notice = {});
