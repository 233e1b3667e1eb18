#include "field_map.h"

#include <algorithm>
#include <cctype>

namespace Fields {

const Field Identity{"Identity", 0x00, 0, 32, FieldKind::Status, {}, {}};
const Field Revision{"Revision", 0x08, 0, 8, FieldKind::Status, {}, {}};
const Field GfxMode{"GfxMode", 0x50, 8, 1, FieldKind::Status, {}, {}};
const Field MemoryFrequency{"SMFS", 0x50, 2, 1, FieldKind::Status, {}, {}};
const Field Dimm0Population{"Dimm0", 0x50, 16, 4, FieldKind::Status, {}, {}};
const Field Dimm1Population{"Dimm1", 0x50, 20, 4, FieldKind::Status, {}, {}};
const Field Dimm2Population{"Dimm2", 0x54, 0, 4, FieldKind::Status, {}, {}};
const Field AgpSignalling{"AgpSignalling", 0xBC, 19, 1, FieldKind::Status, {}, {}};

// 0xB0: AGP 4X override.
const Field AGP4XOVR{"AGP4XOVR", 0xB0, 0, 1, FieldKind::Flag, {"AGP 4X Override"}, {}};

// 0xA8: AGPCMD.
const Field AGPSBA{"AGPSBA", 0xA8, 9, 1, FieldKind::Flag, {"AGP Sideband Addressing"}, {}};
const Field AGPFW{"AGPFW", 0xA8, 4, 1, FieldKind::Flag, {"AGP FastWrites"}, {}};
// Data rate: one-hot 1X, 2X, 4X; 3, 5, 6 and 7 are illegal.
const Field AGPMODE{"AGPMODE", 0xA8, 0, 3, FieldKind::Choice,
                    {"None selected", "AGP 1X", "AGP 2X", "AGP 4X"}, {0, 1, 2, 4},
                    "Selected AGP data transfer rate"};

// 0xBC: AMTT and LPTT.
const Field AMTT{"AMTT", 0xBC, 0, 8, FieldKind::Number, {}, {}, "AGP Multi-Transaction Timer"};
const Field LPTT{"LPTT", 0xBC, 8, 8, FieldKind::Number, {}, {},
                 "AGP Low Priority Transaction Timer"};

// 0x50, low byte: GMCHCFG.
const Field CLT{"CLT", 0x50, 6, 1, FieldKind::Flag, {"CPU Latency Timer"}, {}};
const Field DPCP{"DPCP", 0x50, 3, 1, FieldKind::Choice, {"One Bank", "All Banks"}, {},
                 "DRAM Page Closing Policy"};
const Field MAG{"MAG", 0x50, 7, 1, FieldKind::Choice, {"Fixed mode", "Timeslice mode"}, {},
                "Memory Arbiter Grant Window"};

// 0x70: MISCC.
const Field BNR{"BNR", 0x70, 17, 1, FieldKind::Flag, {"Block New Request Lookahead"}, {}};
const Field CPC{"CPC", 0x70, 27, 1, FieldKind::Flag, {"Command per clock Mask Enable"}, {}};
const Field SM{"SM", 0x70, 29, 1, FieldKind::Flag, {"SM Transmit Stage Bypass"}, {}};
const Field THRLOCK{"THRLOCK", 0x70, 19, 1, FieldKind::Flag, {"Throttle Lock"}, {}};
const Field RDTHR{"RDTHR", 0x70, 22, 2, FieldKind::Choice,
                  {"No limit               (800MB/s)", "Limit at 87.5 %  (700MB/s)",
                   "Limit at 75 %     (600MB/s)", "Limit at 62.5%   (500MB/s)"},
                  {}, "Read Power Throttle Control"};
const Field WRTHR{"WRTHR", 0x70, 20, 2, FieldKind::Choice,
                  {"No limit               (800MB/s)", "Limit at 62.5 %  (500MB/s)",
                   "Limit at 50%      (400MB/s)", "Limit at 37%      (300MB/s)"},
                  {}, "Write Power Throttle Control"};

// 0x50, high byte: DRAMT.
const Field RAS{"RAS", 0x50, 24, 1, FieldKind::Choice, {"3 clocks", "2 clocks"}, {}, "RAS"};
const Field RAS2CAS{"RAS2CAS", 0x50, 25, 1, FieldKind::Choice, {"3 clocks", "2 clocks"}, {},
                    "RAS to CAS"};
const Field CAS{"CAS", 0x50, 26, 1, FieldKind::Choice, {"3 clocks", "2 clocks"}, {}, "CAS"};
const Field HACQS{"HACQS", 0x50, 27, 1, FieldKind::Flag, {"Host Aperture Cycle Queue Slot"}, {}};
const Field DCT{"DCT", 0x50, 28, 1, FieldKind::Choice, {"5,7", "7,9"}, {}, "Tras, Trc"};
const Field SMS{"SMS", 0x50, 29, 3, FieldKind::Choice,
                {"(!) DRAM in Self-Refresh Mode, Refresh Disabled",
                 "Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s",
                 "Refresh interval:  100 Mhz -   7.8 \u00B5s      133 Mhz -   5.85 \u00B5s",
                 "Refresh interval:  100 Mhz -   1.28 \u00B5s    133 Mhz -   0.96 \u00B5s",
                 "(!) NOP Command Enable", "(!) All Banks Precharge Enable",
                 "(!) Mode Register Set Enable", "(!) CBR Enable"},
                {}, "SDRAM Mode Select"};

// 0x9C: SM register.
const Field TDLLE{"TDLLE", 0x9C, 15, 1, FieldKind::Flag, {"Transmit DLL Disable && Bypass"}, {}};

}  // namespace Fields

const std::vector<const Field*>& StatusFields()
{
    using namespace Fields;
    static const std::vector<const Field*> all{&Identity, &Revision, &GfxMode,
                                               &MemoryFrequency, &Dimm0Population,
                                               &Dimm1Population, &Dimm2Population,
                                               &AgpSignalling};
    return all;
}

const std::vector<const Field*>& TunableFields()
{
    using namespace Fields;
    static const std::vector<const Field*> all{
        &AGP4XOVR, &AGPSBA, &AGPFW, &AGPMODE, &AMTT, &LPTT,  &CLT, &DPCP,  &MAG,  &BNR, &CPC,
        &SM,       &THRLOCK, &RDTHR, &WRTHR,  &CAS,  &RAS2CAS, &RAS, &DCT, &SMS, &HACQS, &TDLLE};
    return all;
}

uint32_t FieldMask(const Field& field)
{
    const uint32_t ones = field.width >= 32 ? 0xFFFFFFFFu : (1u << field.width) - 1;
    return ones << field.lowBit;
}

uint32_t FieldValue(const Field& field, uint32_t dword)
{
    return (dword & FieldMask(field)) >> field.lowBit;
}

uint32_t TunableBits(uint32_t dword)
{
    uint32_t bits = 0;
    for (const Field* field : TunableFields())
        if (field->dword == dword)
            bits |= FieldMask(*field);
    return bits;
}

// SMRAM (byte 0x70), bit 0: E_SMRAM_ERR, set by the chip on an invalid SMRAM access, cleared by
// writing 1. MISCC shares the dword, so every MISCC change writes this byte too.
uint32_t ClearOnWriteBits(uint32_t dword) { return dword == 0x70 ? 0x00000001 : 0; }

uint32_t ModifiedDword(uint32_t dword, uint32_t old, uint32_t mask, uint32_t bits)
{
    return ((old & ~mask) | (bits & mask)) & ~ClearOnWriteBits(dword);
}

std::string FieldKey(const Field& field)
{
    std::string key = field.name;
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

const Field* FindTunableField(const std::string& key)
{
    for (const Field* field : TunableFields())
        if (FieldKey(*field) == key)
            return field;
    return nullptr;
}

std::string FieldCaption(const Field& field)
{
    std::string caption = field.caption ? field.caption : field.texts.empty() ? field.name : field.texts[0];
    for (size_t at = caption.find("&&"); at != std::string::npos; at = caption.find("&&", at + 1))
        caption.erase(at, 1);
    return caption;
}

bool DecodeFlag(const Field& field, uint32_t dword) { return FieldValue(field, dword) != 0; }

int DecodeChoice(const Field& field, uint32_t dword)
{
    const uint32_t value = FieldValue(field, dword);
    if (field.values.empty())
        return value < field.texts.size() ? static_cast<int>(value) : NoPosition;
    for (size_t position = 0; position < field.values.size(); ++position)
        if (field.values[position] == value)
            return static_cast<int>(position);
    return NoPosition;
}

unsigned DecodeNumber(const Field& field, uint32_t dword) { return FieldValue(field, dword); }

bool IsSingleBit(const Field& field) { return field.width == 1; }

bool SingleBitState(const Field&, int state) { return state != 0; }

FieldWrite EncodeFieldWrite(const Field& field, int state)
{
    const uint32_t mask = FieldMask(field);
    if (IsSingleBit(field))
        return {mask, SingleBitState(field, state) ? mask : 0};

    if (field.kind == FieldKind::Choice && state < 0)
        return {0, 0};

    uint32_t value = static_cast<uint32_t>(state);
    if (!field.values.empty()) {
        // Every position past the known ones selects the last value (AGPMODE: 4X is 4, not 3).
        const size_t last = field.values.size() - 1;
        value = field.values[std::min(static_cast<size_t>(state), last)];
    }
    return {mask, (value << field.lowBit) & mask};
}

uint32_t EncodeField(const Field& field, uint32_t oldDword, int state)
{
    const FieldWrite write = EncodeFieldWrite(field, state);
    return (oldDword & ~write.mask) | write.bits;
}
