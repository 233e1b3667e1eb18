#pragma once
// Settings given to the chip: fields with the control states they are to take, as command
// lines and profiles name them; and how a set of them is written: only those that differ, a
// lock after the fields it freezes, each one read back. For i815ctl and the boot-time apply.

#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Field;

// One setting to give the chip.
struct FieldSetting {
    const Field* field;
    int state;  // a check box state, a list position or a number
};

// The setting that a key names; throws BadValue (status 2) listing the settings.
const Field& SettingOf(const std::string& key);
// KEY=VALUE arguments as settings; throws BadValue (status 2) for the first that is not one,
// that has a value the field does not take, or that names a field given before.
std::vector<FieldSetting> ParseAssignments(const std::vector<std::string>& assignments);

// Throws StatusError (status 2, "Not an i815 Chipset." and the IDs found) on another host bridge.
void RequireI815(ConfigAccess& chip);
// The identity dword as lspci -n writes it: "8086:1130".
std::string VendorDevice(uint32_t identity);
// "agpfw = on: the i815 does not support fast writes: ..." for a value with a warning in the field
// table (RiskMark); empty for any other.
std::string RiskLine(const FieldSetting& setting);
// Told of each setting that has a warning, before anything is written.
using RiskNotice = std::function<void(const FieldSetting& setting)>;
// The chip's dwords that hold settings, each read once, by offset.
std::map<uint32_t, uint32_t> ReadSettingDwords(ConfigAccess& chip);

// The number of a signal that asked the program to stop, 0 while none has; a signal handler
// writes it.
using StopSignal = volatile std::sig_atomic_t;

// Every setting whose value differs from the chip's, in the order they must be written: the
// throttle limits before the throttle lock, which freezes them until reset. Throws StatusError
// (status 1, before any write) when a lock is set already and a field it freezes would change.
std::vector<FieldSetting> PlanChanges(ConfigAccess& chip, const std::vector<FieldSetting>& wanted);
// Writes each change, one read-modify-write of its dword, then reads back every setting of
// `wanted`; throws StatusError (status 1) naming each one that the chip does not hold. With a
// log, each change is announced there before it is written ("cas: 2 clocks -> 3 clocks"), so
// that the last line shows what a hang came from. Once `stop` holds a signal, or the log has
// failed, writes nothing more and throws StatusError (status 1) saying what was and was not
// applied. `writes`, when given, counts the writes made.
void WriteSettings(ConfigAccess& chip, const std::vector<FieldSetting>& changes,
                   const std::vector<FieldSetting>& wanted, const StopSignal* stop = nullptr,
                   std::ostream* log = nullptr, int* writes = nullptr);
// All of it for `set`: an i815, then the changes planned and written.
void SetFields(ConfigAccess& chip, const std::vector<FieldSetting>& wanted, const StopSignal* stop = nullptr);

// "key: old -> new", the chip holding `dword` now.
std::string ChangeText(const FieldSetting& change, uint32_t dword);
// A lock in a sentence: "the throttle lock".
std::string LockName(const Field& lock);
