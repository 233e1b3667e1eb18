#pragma once
// The fields in words, as the window shows them and as files and command lines give them:
// each field's key, "on"/"off" for a check box, a list item's text (or its position) for a
// list, a number for a timer; and the legal values of each, for messages and comments.

#include "exit_status.h"
#include "field_map.h"

#include <string>

// A value or a key that no field has: bad input.
class BadValue : public StatusError {
public:
    explicit BadValue(const std::string& message) : StatusError(ExitBadInput, message) {}
};

// The field's name in files and on command lines: its mnemonic in lower case ("agpmode").
std::string FieldKey(const Field& field);
// The setting that a key names: the mnemonic in lower case; capitals and blanks around it do
// not matter. Nothing for an unknown key or a status field.
const Field* FieldForKey(const std::string& text);
// The control's caption as shown ("&&" as one "&").
std::string FieldCaption(const Field& field);

// The control state that `text` names; throws BadValue naming the legal values. For a list,
// case and runs of blanks do not matter; a position counts as well as the item's text. A
// number is decimal or 0x hexadecimal, and one that the chip holds (AMTT: a multiple of 8).
int ParseFieldValue(const Field& field, const std::string& text);

// The control state that the field's value in `dword` gives: a check box state, a list position
// (NoPosition for a value that no item has) or a number.
int FieldState(const Field& field, uint32_t dword);

// The value of the field in `dword`, in the window's words; for a list value that no item has
// (an illegal AGP mode), "(illegal value N)".
std::string FieldValueText(const Field& field, uint32_t dword);
// Whether the field's value in `dword` has a name (no illegal AGP mode).
bool HasValueName(const Field& field, uint32_t dword);
// The text of the control state, as FieldValueText names it.
std::string StateText(const Field& field, int state);

// The legal values, for messages and comments: "on, off", "\"AGP 1X\" (1), ...",
// "multiples of 8 from 0 to 248, in decimal or 0x hexadecimal".
std::string LegalValues(const Field& field);

// The field's bits as they sit in the chip: "0x50 bits 31-29: 001".
std::string RawBits(const Field& field, uint32_t dword);
