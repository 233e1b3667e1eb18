#pragma once
// The fields in words, as the window shows them and as files and command lines give them:
// each field's key, "on"/"off" for a check box, a list item's text (or its position) for a
// list, a number for a timer; and the legal values of each, for messages and comments.

#include "exit_status.h"
#include "field_map.h"

#include <string>
#include <vector>

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

// The control state that `text` names; throws BadValue naming the legal values. A check box
// takes on or off. A list item is named by one of its words ("2", "4x", "75%", "7.8us", "none"),
// by the number in a word without its unit ("4", "75", "7.8"), or by its whole text; case and
// blanks do not matter on either side ("allbanks" and "All  Banks" name "All Banks", "agp2x"
// names "AGP 2X"). A number never names a place in the list: "agpmode=3" is no value,
// there being no AGP 3X. A number field takes decimal or 0x hexadecimal, and only what the chip
// holds (AMTT: a multiple of 8).
int ParseFieldValue(const Field& field, const std::string& text);

// A list item's text with every run of blanks made one, as command lines print it (the
// window pads some of them to line up in its proportional font).
std::string ItemText(const Field& field, size_t position);
// The word that names the control state on a command line: "on", "4x", "75%", "32".
std::string ValueWord(const Field& field, int state);
// Every word that names a value, for completion: each item's first word, on and off, or every
// number the chip holds.
std::vector<std::string> ValueWords(const Field& field);

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

// The legal values, for messages and comments: "on, off", "none (\"None selected\"), 1x
// (\"AGP 1X\"), ...", "multiples of 8 from 0 to 248, in decimal or 0x hexadecimal".
std::string LegalValues(const Field& field);

// The chip's mode and memory clock in the window's words: "GFX mode" (the chip drives its own
// graphics), "AGP mode 3.3V" or "AGP mode 1.5V"; "133 Mhz Operation" or "100 Mhz Operation".
std::string ModeText(bool gfxMode, bool agpAt3v3);
std::string MemoryClockText(bool at133);

// The field's bits as they sit in the chip: "0x50 bits 31-29: 001".
std::string RawBits(const Field& field, uint32_t dword);
