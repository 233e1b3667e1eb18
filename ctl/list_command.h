#pragma once
// i815ctl list: every setting that set takes, without the chip: its key, its caption, its legal
// values with their words and the warnings of its values.

#include <ostream>
#include <vector>

struct Field;
struct Invocation;

// The command (command_table.h).
int ListCommand(Invocation& call);

// A block for each field: "key: Caption", then its values (a list's items a line each) and each
// warning on lines of their own, indented, within 80 columns.
void ListFields(const std::vector<const Field*>& fields, std::ostream& out);
