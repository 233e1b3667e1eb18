#pragma once
// The commands of i815ctl that look at the chip: show, get, dump. (set is the field table's
// SetFields.)

#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Field;

// The arguments of get, each checked before the chip is opened; throws BadValue (status 2)
// naming the first that is not a key.
std::vector<const Field*> FieldsOf(const std::vector<std::string>& keys);

void ShowChip(ConfigAccess& chip, std::ostream& out);
void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out);
void DumpChip(ConfigAccess& chip, std::ostream& out);
