#pragma once
// The whole knowledge of the i815 host bridge: every field the program shows or changes,
// where it lives, what its values are called, which of them the chip holds, which of them
// can hang the machine, and how a control's state becomes the field's bits and back.
// Nothing outside this file names a bit number or a mask. (field_values.h turns these
// attributes into the words of files and command lines.)

#include <cstdint>
#include <string>
#include <vector>

enum class FieldKind {
    Status,  // read once at start, never changed
    Flag,    // one bit, a check box
    Choice,  // a list position mapped to a value
    Number   // a byte shown as 0-255 on a track bar
};

// A value that may hang the machine (as the window's own hints warn, or an SDRAM timing that the
// memory cannot keep), or that cannot be taken back until the machine is reset.
struct RiskMark {
    int state;            // the control state it marks: a check box state or a list position
    const char* warning;  // one line, lower case, without a full stop
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
    // Number: the chip holds multiples of this only; the bits below read as 0 (AMTT and LPTT
    // keep bits 7-3, bits 2-0 are reserved). The track bar moves by it.
    unsigned step = 1;
    // Part of the SDRAM interface: a wrong value can hang the machine the moment it is written.
    bool sdramTiming = false;
    // Frozen by this flag once it is set, until the machine is reset (the throttle limits by
    // the throttle lock).
    const Field* lockedBy = nullptr;
    std::vector<RiskMark> risks = {};
    // Choice only: for each list item, the words that name it on a command line, blank
    // separated, the first the one offered and shown ("15.6us 11.7us"); lower case, no blanks.
    std::vector<const char*> words = {};
    // What the setting does, for the manual: a sentence or two, from the data sheet and the
    // window's hints.
    const char* about = nullptr;
    // For i815ctl tune: the control states from the slowest to the fastest, each a single step
    // from the one before; empty for a field that tune leaves alone (AGP, which the video
    // driver owns, the throttle lock, the transmit DLL, a reserved bit).
    std::vector<int> faster = {};
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

// In the order of the window's pages, which is also the order of `show` and of a profile.
const std::vector<const Field*>& TunableFields();

uint32_t FieldMask(const Field& field);
// The bits of a dword that tunable fields own; 0 for a dword without any.
uint32_t TunableBits(uint32_t dword);
// Status bits of a dword that the chip clears when a 1 is written to them.
uint32_t ClearOnWriteBits(uint32_t dword);
// What a read-modify-write writes: the bits of mask from bits, every other bit as read, and a
// 0 into every write-1-to-clear status bit, so that a write-back never clears a pending status.
uint32_t ModifiedDword(uint32_t dword, uint32_t old, uint32_t mask, uint32_t bits);

uint32_t FieldValue(const Field& field, uint32_t dword);
// The largest number the chip holds in a number field: 255, or 248 for a step of 8.
unsigned LargestNumber(const Field& field);
// Whether the chip can hold `value` in the field and the window has a name or a place for it
// (no illegal AGP mode, no number between two steps).
bool IsLegalValue(const Field& field, uint32_t value);

// The warning for this control state; nullptr for none.
const char* RiskWarning(const Field& field, int state);
// Whether every state carries the same warning: changing the field is the risk, not one value
// (CAS, the transmit DLL).
bool RiskInEveryChange(const Field& field);
// The next state toward speed from `state`, for tune: NoPosition when the field has no
// direction, `state` is already the fastest, or `state` is off the path (SMS in a power-up
// mode: tune never steps out of one).
int FasterState(const Field& field, int state);
// Of the refresh intervals (SMS), the longest that DIMMs with this many row address bits can
// live with: every row is refreshed within 64 ms, so 4096 rows (12 bits) allow 15.6 us and
// 8192 rows (13 bits) 7.8 us, at 100 MHz; the chip's 133 MHz intervals are shorter still.
int LongestRefreshState(unsigned rowBits);

// Whether setting this flag freezes other fields until the machine is reset (the throttle lock).
bool LocksOthers(const Field& field);

// Decoding: dword -> control state.
bool DecodeFlag(const Field& field, uint32_t dword);
int DecodeChoice(const Field& field, uint32_t dword);  // NoPosition for a value no item has
unsigned DecodeNumber(const Field& field, uint32_t dword);

// One-bit fields (flags and two-item choices) are written by setting or clearing their bit.
bool IsSingleBit(const Field& field);
// The bit's new state for a check box state (0/1) or a list position; a list without a
// selection (NoPosition) counts as a set bit, because only position 0 means "clear".
bool SingleBitState(int state);

// What a control state (a check box state, a list position or a track bar position) writes:
// the field's bits, for a read-modify-write of its dword. A multi-bit list without a selection
// writes nothing new (an empty mask).
struct FieldWrite {
    uint32_t mask;
    uint32_t bits;
};
FieldWrite EncodeFieldWrite(const Field& field, int state);
