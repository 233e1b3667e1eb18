#include "field_map.h"

#include <algorithm>

namespace {

// The rows of the table: the kind, then what sets a field apart.
Field Status(const char* name, uint32_t dword, unsigned lowBit, unsigned width)
{
    return {name, dword, lowBit, width, FieldKind::Status, {}, {}};
}

Field Flag(const char* name, uint32_t dword, unsigned bit, const char* caption)
{
    return {name, dword, bit, 1, FieldKind::Flag, {caption}, {}};
}

Field Choice(const char* name, uint32_t dword, unsigned lowBit, unsigned width, const char* caption,
             std::vector<const char*> items, std::vector<uint32_t> values = {})
{
    return {name, dword, lowBit, width, FieldKind::Choice, std::move(items), std::move(values), caption};
}

Field Number(const char* name, uint32_t dword, unsigned lowBit, const char* caption, unsigned step)
{
    Field field{name, dword, lowBit, 8, FieldKind::Number, {}, {}, caption};
    field.step = step;
    return field;
}

Field SdramTiming(Field field)
{
    field.sdramTiming = true;
    return field;
}

Field LockedBy(const Field& lock, Field field)
{
    field.lockedBy = &lock;
    return field;
}

Field Warned(std::vector<RiskMark> marks, Field field)
{
    field.risks = std::move(marks);
    return field;
}

constexpr int On = 1;

// The hints' own warnings, one line each.
const char FastWritesHang[] = "the i815 does not support fast writes: the machine will hang";
const char TransmitDllHangs[] = "toggling the transmit DLL will most likely hang the machine";
const char CasMayHang[] = "changing the CAS latency may hang the machine";
const char PowerUpMode[] = "an SDRAM mode meant for power-up initialisation, not for a running machine: "
                           "it may hang the machine";
const char LockStays[] = "once set, only a reset clears the throttle lock, and the throttle limits stay as "
                         "they are until then";

}  // namespace

namespace Fields {

const Field Identity = Status("Identity", 0x00, 0, 32);
const Field Revision = Status("Revision", 0x08, 0, 8);
const Field GfxMode = Status("GfxMode", 0x50, 8, 1);
const Field MemoryFrequency = Status("SMFS", 0x50, 2, 1);
const Field Dimm0Population = Status("Dimm0", 0x50, 16, 4);
const Field Dimm1Population = Status("Dimm1", 0x50, 20, 4);
const Field Dimm2Population = Status("Dimm2", 0x54, 0, 4);
const Field AgpSignalling = Status("AgpSignalling", 0xBC, 19, 1);

// 0xB0: AGP 4X override.
const Field AGP4XOVR = Flag("AGP4XOVR", 0xB0, 0, "AGP 4X Override");

// 0xA8: AGPCMD.
const Field AGPSBA = Flag("AGPSBA", 0xA8, 9, "AGP Sideband Addressing");
const Field AGPFW = Warned({{On, FastWritesHang}}, Flag("AGPFW", 0xA8, 4, "AGP FastWrites"));
// Data rate: one-hot 1X, 2X, 4X; 3, 5, 6 and 7 are illegal.
const Field AGPMODE = Choice("AGPMODE", 0xA8, 0, 3, "Selected AGP data transfer rate",
                             {"None selected", "AGP 1X", "AGP 2X", "AGP 4X"}, {0, 1, 2, 4});

// 0xBC: AMTT and LPTT, each with its count in bits 7-3; bits 2-0 are reserved and read 0.
const Field AMTT = Number("AMTT", 0xBC, 0, "AGP Multi-Transaction Timer", 8);
const Field LPTT = Number("LPTT", 0xBC, 8, "AGP Low Priority Transaction Timer", 8);

// 0x50, low byte: GMCHCFG.
const Field CLT = Flag("CLT", 0x50, 6, "CPU Latency Timer");
const Field DPCP = Choice("DPCP", 0x50, 3, 1, "DRAM Page Closing Policy", {"One Bank", "All Banks"});
const Field MAG = Choice("MAG", 0x50, 7, 1, "Memory Arbiter Grant Window", {"Fixed mode", "Timeslice mode"});

// 0x70: MISCC. The throttle lock freezes the two limits (bits 23-20) and itself.
const Field BNR = Flag("BNR", 0x70, 17, "Block New Request Lookahead");
const Field CPC = Flag("CPC", 0x70, 27, "Command per clock Mask Enable");
const Field SM = SdramTiming(Flag("SM", 0x70, 29, "SM Transmit Stage Bypass"));
const Field THRLOCK = Warned({{On, LockStays}}, Flag("THRLOCK", 0x70, 19, "Throttle Lock"));
const Field RDTHR = LockedBy(THRLOCK, Choice("RDTHR", 0x70, 22, 2, "Read Power Throttle Control",
                                             {"No limit               (800MB/s)", "Limit at 87.5 %  (700MB/s)",
                                              "Limit at 75 %     (600MB/s)", "Limit at 62.5%   (500MB/s)"}));
const Field WRTHR = LockedBy(THRLOCK, Choice("WRTHR", 0x70, 20, 2, "Write Power Throttle Control",
                                             {"No limit               (800MB/s)", "Limit at 62.5 %  (500MB/s)",
                                              "Limit at 50%      (400MB/s)", "Limit at 37%      (300MB/s)"}));

// 0x50, high byte: DRAMT.
const Field RAS = SdramTiming(Choice("RAS", 0x50, 24, 1, "RAS", {"3 clocks", "2 clocks"}));
const Field RAS2CAS = SdramTiming(Choice("RAS2CAS", 0x50, 25, 1, "RAS to CAS", {"3 clocks", "2 clocks"}));
const Field CAS = Warned({{0, CasMayHang}, {1, CasMayHang}},
                         SdramTiming(Choice("CAS", 0x50, 26, 1, "CAS", {"3 clocks", "2 clocks"})));
const Field HACQS = Flag("HACQS", 0x50, 27, "Host Aperture Cycle Queue Slot");
const Field DCT = SdramTiming(Choice("DCT", 0x50, 28, 1, "Tras, Trc", {"5,7", "7,9"}));
// The "(!)" modes belong to the power-up sequence; 0 also stops the refresh.
const Field SMS = Warned({{0, PowerUpMode}, {4, PowerUpMode}, {5, PowerUpMode}, {6, PowerUpMode}, {7, PowerUpMode}},
                         SdramTiming(Choice("SMS", 0x50, 29, 3, "SDRAM Mode Select",
                                            {"(!) DRAM in Self-Refresh Mode, Refresh Disabled",
                                             "Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s",
                                             "Refresh interval:  100 Mhz -   7.8 \u00B5s      133 Mhz -   5.85 \u00B5s",
                                             "Refresh interval:  100 Mhz -   1.28 \u00B5s    133 Mhz -   0.96 \u00B5s",
                                             "(!) NOP Command Enable", "(!) All Banks Precharge Enable",
                                             "(!) Mode Register Set Enable", "(!) CBR Enable"})));

// 0x9C: SM register.
const Field TDLLE = Warned({{0, TransmitDllHangs}, {On, TransmitDllHangs}},
                           SdramTiming(Flag("TDLLE", 0x9C, 15, "Transmit DLL Disable && Bypass")));

}  // namespace Fields

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

unsigned LargestNumber(const Field& field)
{
    const unsigned all = FieldMask(field) >> field.lowBit;
    return all - all % field.step;
}

bool IsLegalValue(const Field& field, uint32_t value)
{
    if (value > (FieldMask(field) >> field.lowBit))
        return false;
    switch (field.kind) {
    case FieldKind::Choice: return DecodeChoice(field, value << field.lowBit) != NoPosition;
    case FieldKind::Number: return value % field.step == 0;
    case FieldKind::Flag:
    case FieldKind::Status: break;
    }
    return true;
}

const char* RiskWarning(const Field& field, int state)
{
    for (const RiskMark& mark : field.risks)
        if (mark.state == state)
            return mark.warning;
    return nullptr;
}

bool LocksOthers(const Field& field)
{
    for (const Field* other : TunableFields())
        if (other->lockedBy == &field)
            return true;
    return false;
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

bool SingleBitState(int state) { return state != 0; }

FieldWrite EncodeFieldWrite(const Field& field, int state)
{
    const uint32_t mask = FieldMask(field);
    if (IsSingleBit(field))
        return {mask, SingleBitState(state) ? mask : 0};

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
