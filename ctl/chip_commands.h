#pragma once
// The commands of i815ctl that look at or change the chip: show, get, set, dump.

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Field;

// The chip's dwords that hold settings, each read once, by offset.
std::map<uint32_t, uint32_t> ReadSettingDwords(ConfigAccess& chip);

// A lock in a sentence: "the throttle lock".
std::string LockName(const Field& lock);

// Throws StatusError (status 2, "Not an i815 Chipset.") on another host bridge.
void RequireI815(ConfigAccess& chip);

// One setting to give the chip.
struct FieldSetting {
    const Field* field;
    int state;  // a check box state, a list position or a number
};

// The arguments of get and set, each checked before the chip is opened; throw StatusError
// (status 2) naming the first that is not a key, or not KEY=VALUE with a legal value.
std::vector<const Field*> FieldsOf(const std::vector<std::string>& keys);
std::vector<FieldSetting> ParseAssignments(const std::vector<std::string>& assignments);

void ShowChip(ConfigAccess& chip, std::ostream& out);
void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out);
void SetFields(ConfigAccess& chip, const std::vector<FieldSetting>& wanted);
void DumpChip(ConfigAccess& chip, std::ostream& out);

// Every setting whose value differs from the chip's, in the order they must be written: the
// throttle limits before the throttle lock, which freezes them until reset. Throws StatusError
// (status 1, before any write) when a lock is set already and a field it freezes would change.
std::vector<FieldSetting> PlanChanges(ConfigAccess& chip, const std::vector<FieldSetting>& wanted);
// Writes each change, one read-modify-write of its dword, then reads back every setting of
// `wanted`; throws StatusError (status 1) naming each one that the chip does not hold. With a log,
// each change is announced there before it is written ("cas: 2 clocks -> 3 clocks"), so that
// the last line shows what a hang came from. After a signal, writes nothing more and throws
// StatusError (status 1) saying what was and was not applied.
// `writes`, when given, counts the writes made.
void WriteSettings(ConfigAccess& chip, const std::vector<FieldSetting>& changes,
                   const std::vector<FieldSetting>& wanted, std::ostream* log = nullptr, int* writes = nullptr);
// "key: old -> new", the chip holding `dword` now.
std::string ChangeText(const FieldSetting& change, uint32_t dword);
