#pragma once
// save, check and apply: profiles in and out of the chip.

#include "profile.h"

#include <ostream>
#include <string>

class ConfigAccess;

void SaveProfile(ConfigAccess& chip, const std::string& path);
// Prints "FILE: N settings, no problems".
void CheckProfile(const std::string& path, std::ostream& out);
// Writes the settings that differ from the chip, each announced on `out` as it is written,
// or, for a dry run, only says what would change. Counts its writes in `writes`. Throws StatusError.
void ApplyProfile(ConfigAccess& chip, const Profile& profile, bool dryRun, std::ostream& out, int* writes = nullptr);
