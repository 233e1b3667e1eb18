#pragma once
// The commands of i815ctl that look at or change the chip: show, get, set, dump.

#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Field;

// Throws CtlError (status 2, "Not an i815 Chipset.") on another host bridge.
void RequireI815(ConfigAccess& chip);

void ShowChip(ConfigAccess& chip, std::ostream& out);
void GetFields(ConfigAccess& chip, const std::vector<std::string>& keys, std::ostream& out);
void SetFields(ConfigAccess& chip, const std::vector<std::string>& assignments);
void DumpChip(ConfigAccess& chip, std::ostream& out);

// One setting to give the chip.
struct FieldSetting {
    const Field* field;
    int state;  // a check box state, a list position or a number
};

// Every setting whose value differs from the chip's, in the order they must be written: the
// throttle limits before the throttle lock, which freezes them until reset. Throws CtlError
// (status 1, before any write) when the lock is set already and a limit would change.
std::vector<FieldSetting> PlanChanges(ConfigAccess& chip, const std::vector<FieldSetting>& wanted);
// Writes each, one read-modify-write of its dword, then reads every one back; throws CtlError
// (status 1) naming each setting that the chip did not take.
void WriteSettings(ConfigAccess& chip, const std::vector<FieldSetting>& changes);
// Whether the chip holds the setting now.
bool ChipHolds(ConfigAccess& chip, const FieldSetting& setting);
