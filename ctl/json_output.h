#pragma once
// i815ctl's JSON, for programs (as lsblk -J, ethtool --json and sensors -j give theirs): one
// object per command, with its "format" and its "command", as data/json/i815ctl.schema.json
// describes it. The text is ASCII, any other character as a \u escape (the µ of sms), so the
// bytes are the same on every system and in every code page.

#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct BenchResult;
struct CacheInfo;
struct Field;
struct FieldSetting;
struct Profile;
struct ProfileDifference;
struct ProfileProblem;
struct TuneRun;

// The version of the JSON of every command: it grows by one when a member changes its meaning or
// goes away; a new member leaves it as it is.
constexpr int JsonFormat = 1;

// show --json: {"chipset": {...}, "mode": ..., "memory_mhz": ..., "dimms": [...], "settings": [...]}
void ShowChipJson(ConfigAccess& chip, std::ostream& out);
// get --json: {"settings": [...]}, the fields asked for, in the order asked.
void GetFieldsJson(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out);
// list --json: the settings without the chip's values.
void ListFieldsJson(const std::vector<const Field*>& fields, std::ostream& out);

// check --json: the profile's settings, its problems and the warnings that check gives.
void CheckJson(const Profile& profile, const std::vector<ProfileProblem>& problems, std::ostream& out);
// diff --json: each setting of the profile that the chip holds otherwise.
void DiffJson(const Profile& profile, const std::vector<ProfileDifference>& differences, std::ostream& out);
// bench --json: the figures and each round of them.
void BenchJson(const BenchResult& result, const CacheInfo& caches, int rounds, std::ostream& out);
// tune --json: every step with its result and the change of each figure, the settings kept,
// and the profile written ("" for none).
void TuneJson(const TuneRun& run, const std::string& profile, std::ostream& out);
