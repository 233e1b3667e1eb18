#pragma once
// save, check, diff and apply: profiles in and out of the chip. A FILE "-" is standard output
// for save, standard input for check, diff and apply; the others may be pipes.

#include "profile.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Invocation;

// The commands (command_table.h).
int SaveCommand(Invocation& call);
int CheckCommand(Invocation& call);
// Status 0 when the chip holds every setting of the profile, 1 when it does not (2 for any
// trouble: Command::answers).
int DiffCommand(Invocation& call);
// The whole file is checked before the chip is opened; --boot applies under the boot guard.
int ApplyCommand(Invocation& call);
// apply --settle: the second half of apply --boot; touches no chip.
int SettleCommand(Invocation& call);

struct JournalPlace;
// Where tune keeps its hang journal: beside the boot guard's marker, so that apply --boot finds
// it (where the system has no folder for it, Windows, beside the profile that tune writes);
// none (an empty folder) where the guard has no place, as for the built-in emulated chip.
JournalPlace TuneJournalPlace(const Invocation& call, const std::string& profilePath);

// Into the file `path`, or onto `out` for "-".
void SaveProfile(ConfigAccess& chip, const std::string& path, std::ostream& out);
// What check says of a profile's warnings: the settings (by index) whose value has a warning of
// its own (agpfw = on), and the keys of those whose every change has one (cas).
struct ProfileRisks {
    std::vector<size_t> warned;
    std::vector<std::string> onChange;
};
ProfileRisks RisksOf(const Profile& profile);

// A setting of a profile that the chip holds otherwise, with the profile's line and the chip's
// dword that holds the setting.
struct ProfileDifference {
    FieldSetting wanted;
    int line;
    uint32_t dword;
};
// Every such setting, in the profile's order.
std::vector<ProfileDifference> DiffProfile(ConfigAccess& chip, const Profile& profile);

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
