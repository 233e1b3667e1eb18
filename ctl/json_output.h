#pragma once
// show --json and get --json: what show and get print, as JSON for programs (as lsblk -J,
// ethtool --json and sensors -j give theirs). Text values are UTF-8, as the terminal shows them.

#include <ostream>
#include <vector>

class ConfigAccess;
struct Field;

// {"chipset": {...}, "mode": ..., "memory_mhz": ..., "dimms": [...], "settings": [...]}
void ShowChipJson(ConfigAccess& chip, std::ostream& out);
// {"settings": [...]}: the fields asked for, in the order asked.
void GetFieldsJson(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out);
