#pragma once
// A setting's value in words, as the window shows it and as files and command lines give it:
// "on"/"off" for a check box, a list item's text (or its position) for a list, a number
// 0-255 for a timer.

#include "field_map.h"

#include <stdexcept>
#include <string>

class BadValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The setting that a key names: the mnemonic in lower case; capitals and blanks around it do
// not matter. Nothing for an unknown key.
const Field* FieldForKey(const std::string& text);

// The control state that `text` names; throws BadValue naming the legal values. For a list,
// case and runs of blanks do not matter; a position counts as well as the item's text.
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

// The legal values, for messages and comments: "on, off", "\"AGP 1X\" (1), ...", "0-255".
std::string LegalValues(const Field& field);

// The field's bits as they sit in the chip: "0x50 bits 31-29: 001".
std::string RawBits(const Field& field, uint32_t dword);

// Text columns on a terminal: UTF-8 continuation bytes take none.
size_t DisplayWidth(const std::string& text);
