#pragma once
// The whole knowledge of the i815 host bridge: every field the program shows or changes,
// where it lives, and how a control's state becomes the field's bits and back.
// Nothing outside this file names a bit number or a mask.

#include <cstdint>
#include <string>
#include <vector>

enum class FieldKind {
    Status,  // read once at start, never changed
    Flag,    // one bit, a check box
    Choice,  // a list position mapped to a value
    Number   // a byte shown as 0-255 on a track bar
};

struct Field {
    const char* name;  // the chip's mnemonic, as the control that shows it
    uint32_t dword;    // configuration offset of the dword that holds it
    unsigned lowBit;
    unsigned width;
    FieldKind kind;
    // Flag: its caption. Choice: the list items, in list order (UTF-8).
    std::vector<const char*> texts;
    // Choice only: the field value of each list position; empty when position = value.
    std::vector<uint32_t> values;
    // Choice and number: the caption of the control (a flag's caption is its text).
    const char* caption = nullptr;
};

constexpr int NoPosition = -1;

namespace Fields {
// Status fields.
extern const Field Identity;
extern const Field Revision;
extern const Field GfxMode;
extern const Field MemoryFrequency;  // 1: 133 MHz, 0: 100 MHz
extern const Field Dimm0Population;
extern const Field Dimm1Population;
extern const Field Dimm2Population;
extern const Field AgpSignalling;    // 1: 3.3 V, 0: 1.5 V

// Tunable fields.
extern const Field AGP4XOVR;
extern const Field AGPSBA;
extern const Field AGPFW;
extern const Field AGPMODE;
extern const Field AMTT;
extern const Field LPTT;
extern const Field CLT;
extern const Field DPCP;
extern const Field MAG;
extern const Field BNR;
extern const Field CPC;
extern const Field SM;
extern const Field THRLOCK;
extern const Field RDTHR;
extern const Field WRTHR;
extern const Field CAS;
extern const Field RAS2CAS;
extern const Field RAS;
extern const Field DCT;
extern const Field SMS;
extern const Field HACQS;
extern const Field TDLLE;
}  // namespace Fields

const std::vector<const Field*>& StatusFields();
const std::vector<const Field*>& TunableFields();

uint32_t FieldMask(const Field& field);
// The bits of a dword that tunable fields own; 0 for a dword without any.
uint32_t TunableBits(uint32_t dword);
// Status bits of a dword that the chip clears when a 1 is written to them.
uint32_t ClearOnWriteBits(uint32_t dword);
// What a read-modify-write writes: the bits of mask from bits, every other bit as read, and a
// 0 into every write-1-to-clear status bit, so that a write-back never clears a pending status.
uint32_t ModifiedDword(uint32_t dword, uint32_t old, uint32_t mask, uint32_t bits);

// The field's name in files and on command lines: its mnemonic in lower case ("agpmode").
std::string FieldKey(const Field& field);
const Field* FindTunableField(const std::string& key);
// The control's caption as shown ("&&" as one "&").
std::string FieldCaption(const Field& field);
uint32_t FieldValue(const Field& field, uint32_t dword);

// Decoding: dword -> control state.
bool DecodeFlag(const Field& field, uint32_t dword);
int DecodeChoice(const Field& field, uint32_t dword);  // NoPosition for a value no item has
unsigned DecodeNumber(const Field& field, uint32_t dword);

// One-bit fields (flags and two-item choices) are written by setting or clearing their bit.
bool IsSingleBit(const Field& field);
// The bit's new state for a check box state (0/1) or a list position; a list without a
// selection (NoPosition) counts as a set bit, because only position 0 means "clear".
bool SingleBitState(const Field& field, int state);

// What a control state (a check box state, a list position or a track bar position) writes:
// the field's bits, for a read-modify-write of its dword. A multi-bit list without a selection
// writes nothing new (an empty mask).
struct FieldWrite {
    uint32_t mask;
    uint32_t bits;
};
FieldWrite EncodeFieldWrite(const Field& field, int state);

// The new dword for a control state; only the field's bits change.
uint32_t EncodeField(const Field& field, uint32_t oldDword, int state);
