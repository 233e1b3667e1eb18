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

Field Words(std::vector<const char*> words, Field field)
{
    field.words = std::move(words);
    return field;
}

Field About(const char* about, Field field)
{
    field.about = about;
    return field;
}

// Tune's direction: the states from slowest to fastest.
Field Faster(std::vector<int> order, Field field)
{
    field.faster = std::move(order);
    return field;
}

constexpr int On = 1;

// The warnings, one line each: the window's hints' own, and those of the SDRAM timings, any of
// which hangs the machine the moment it is written if the memory cannot keep it.
const char FastWritesHang[] = "the i815 does not support fast writes: the machine will hang";
const char TransmitDllHangs[] = "toggling the transmit DLL will most likely hang the machine";
const char CasMayHang[] = "changing the CAS latency may hang the machine";
const char RasToCasMayHang[] = "changing the RAS to CAS delay may hang the machine";
const char RasPrechargeMayHang[] = "changing the RAS precharge time may hang the machine";
const char CycleTimeMayHang[] = "changing the DRAM cycle time may hang the machine";
const char RateByDriver[] = "the video driver should set the AGP data rate: a rate that the card is not set for "
                            "may hang the machine";
const char PowerUpMode[] = "an SDRAM mode meant for power-up initialisation, not for a running machine: "
                           "it may hang the machine";
const char RefreshOff[] = "self-refresh with the refresh disabled: the memory stops answering and the machine "
                          "hangs";
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
const Field AGP4XOVR =
    About("On: the chip no longer offers AGP 4X to the video card (bit 2 of the AGP status register at 0xA4 "
          "reads 0), so the card and its driver choose 2X at most. AGP 4X works with 1.5 V signalling only; "
          "with a card at 3.3 V the window greys this box.",
          Flag("AGP4XOVR", 0xB0, 0, "AGP 4X Override"));

// 0xA8: AGPCMD.
const Field AGPSBA = About("AGP sideband addressing: the card sends its requests over the sideband address port "
                           "instead of the shared AD bus. The video driver should set it.",
                           Flag("AGPSBA", 0xA8, 9, "AGP Sideband Addressing"));
const Field AGPFW = About("AGP fast writes: the processor writes straight to the card.",
                          Warned({{On, FastWritesHang}}, Flag("AGPFW", 0xA8, 4, "AGP FastWrites")));
// Data rate: one-hot 1X, 2X, 4X; 3, 5, 6 and 7 are illegal.
const Field AGPMODE =
    About("The AGP data rate in use: 1X, 2X or 4X, one bit each. The video driver should set it, to a rate that "
          "both the card and the chip offer; 4X needs 1.5 V signalling.",
          Words({"none", "1x", "2x", "4x"},
                Warned({{0, RateByDriver}, {1, RateByDriver}, {2, RateByDriver}, {3, RateByDriver}},
                       Choice("AGPMODE", 0xA8, 0, 3, "Selected AGP data transfer rate",
                              {"None selected", "AGP 1X", "AGP 2X", "AGP 4X"}, {0, 1, 2, 4}))));

// 0xBC: AMTT and LPTT, each with its count in bits 7-3; bits 2-0 are reserved and read 0.
const Field AMTT = About("AGP multi-transaction timer: the clocks for which the AGP card keeps the memory for a "
                         "run of transactions once it has it, in steps of 8.",
                         Number("AMTT", 0xBC, 0, "AGP Multi-Transaction Timer", 8));
const Field LPTT = About("AGP low-priority transaction timer: the clocks for which a low-priority AGP stream "
                         "keeps the memory, in steps of 8.",
                         Number("LPTT", 0xBC, 8, "AGP Low Priority Transaction Timer", 8));

// 0x50, low byte: GMCHCFG.
const Field CLT =
    Faster({0, On}, About("CPU latency timer. Off: a deferrable processor cycle is deferred as soon as another "
                          "request (ADS#) comes. On: only after it has been held in a snoop stall for 31 clocks and "
                          "another request has come; on is said to be better.",
                          Flag("CLT", 0x50, 6, "CPU Latency Timer")));
const Field DPCP =
    Faster({1, 0}, About("DRAM page closing policy: one bank leaves more pages open, for better performance; "
                         "BIOSes tend to choose all banks when the machine is overclocked.",
                         Words({"one", "all"}, Choice("DPCP", 0x50, 3, 1, "DRAM Page Closing Policy",
                                                      {"One Bank", "All Banks"}))));
const Field MAG =
    Faster({1, 0}, About("Memory arbiter grant window: in fixed mode the processor's stream is favoured, which is "
                         "said to be best; in timeslice mode the processor and the low-priority graphics stream "
                         "share a time window.",
                         Words({"fixed", "timeslice"}, Choice("MAG", 0x50, 7, 1, "Memory Arbiter Grant Window",
                                                              {"Fixed mode", "Timeslice mode"}))));

// 0x70: MISCC. The throttle lock freezes the two limits (bits 23-20) and itself.
const Field BNR =
    Faster({0, On}, About("Block new request lookahead; should stay on for the best performance.",
                          Flag("BNR", 0x70, 17, "Block New Request Lookahead")));
const Field CPC =
    Faster({0, On}, About("Command per clock mask. With the front-side bus overclocked beyond 133 MHz, setting it as "
                          "the BIOS does at 133 MHz may bring more performance.",
                          Flag("CPC", 0x70, 27, "Command per clock Mask Enable")));
const Field SM =
    Faster({0, On}, About("SM transmit stage bypass: saves one memory clock at 133 MHz and does nothing at 100 MHz; "
                          "it should be on at 133 MHz.",
                          SdramTiming(Flag("SM", 0x70, 29, "SM Transmit Stage Bypass"))));
const Field THRLOCK = About("Throttle lock: once on, the two throttle limits and the lock itself keep their values "
                            "until the machine is reset.",
                            Warned({{On, LockStays}}, Flag("THRLOCK", 0x70, 19, "Throttle Lock")));
const Field RDTHR =
    Faster({3, 2, 1, 0}, About("Read power throttle: a limit on the memory's read bandwidth.",
                               Words({"none 800mb/s", "87.5% 700mb/s", "75% 600mb/s", "62.5% 500mb/s"},
                                     LockedBy(THRLOCK, Choice("RDTHR", 0x70, 22, 2, "Read Power Throttle Control",
                                                              {"No limit               (800MB/s)",
                                                               "Limit at 87.5 %  (700MB/s)",
                                                               "Limit at 75 %     (600MB/s)",
                                                               "Limit at 62.5%   (500MB/s)"})))));
const Field WRTHR =
    Faster({3, 2, 1, 0}, About("Write power throttle: a limit on the memory's write bandwidth.",
                               Words({"none 800mb/s", "62.5% 500mb/s", "50% 400mb/s", "37% 300mb/s"},
                                     LockedBy(THRLOCK, Choice("WRTHR", 0x70, 20, 2, "Write Power Throttle Control",
                                                              {"No limit               (800MB/s)",
                                                               "Limit at 62.5 %  (500MB/s)",
                                                               "Limit at 50%      (400MB/s)",
                                                               "Limit at 37%      (300MB/s)"})))));

// 0x50, high byte: DRAMT. A clock is one of the memory's: 10 ns at 100 MHz, 7.5 ns at 133 MHz.
const Field RAS =
    Faster({0, 1}, About("RAS precharge time (Trp), in memory clocks.",
                         Words({"3", "2"}, Warned({{0, RasPrechargeMayHang}, {1, RasPrechargeMayHang}},
                                                  SdramTiming(Choice("RAS", 0x50, 24, 1, "RAS",
                                                                     {"3 clocks", "2 clocks"}))))));
const Field RAS2CAS =
    Faster({0, 1}, About("RAS to CAS delay (Trcd), in memory clocks.",
                         Words({"3", "2"}, Warned({{0, RasToCasMayHang}, {1, RasToCasMayHang}},
                                                  SdramTiming(Choice("RAS2CAS", 0x50, 25, 1, "RAS to CAS",
                                                                     {"3 clocks", "2 clocks"}))))));
const Field CAS =
    Faster({0, 1}, About("CAS latency (CL), in memory clocks. The chip changes the SM register's low 16 bits with "
                         "it, bits that the data sheet marks reserved.",
                         Words({"3", "2"}, Warned({{0, CasMayHang}, {1, CasMayHang}},
                                                  SdramTiming(Choice("CAS", 0x50, 26, 1, "CAS",
                                                                     {"3 clocks", "2 clocks"}))))));
const Field HACQS = About("Host aperture cycle queue slot. Intel recommends that an i815EP BIOS sets it; the i815E "
                          "data sheet marks the bit reserved, yet some i815E boards set it.",
                          Flag("HACQS", 0x50, 27, "Host Aperture Cycle Queue Slot"));
const Field DCT =
    Faster({1, 0}, About("DRAM cycle time, in memory clocks: Tras, the least time that a row stays open, and Trc, "
                         "the least time from one row's opening to the next in the same bank; \"5,7\" is Tras 5 and "
                         "Trc 7.",
                         Words({"5,7", "7,9"}, Warned({{0, CycleTimeMayHang}, {1, CycleTimeMayHang}},
                                                      SdramTiming(Choice("DCT", 0x50, 28, 1, "Tras, Trc",
                                                                         {"5,7", "7,9"}))))));
// The "(!)" modes belong to the power-up sequence; 0 also stops the refresh. Tune lengthens the
// refresh interval no further than the DIMMs allow (LongestRefreshState).
const Field SMS = Faster({3, 2, 1}, About(
    "SDRAM mode select: in normal operation the refresh interval, given for 100 and for 133 MHz (a shorter "
    "interval is steadier, but leaves less bandwidth); the \"(!)\" modes are commands of the power-up sequence.",
    Words({"self-refresh", "15.6us 11.7us", "7.8us 5.85us", "1.28us 0.96us", "nop", "precharge", "mode-register",
           "cbr"},
          Warned({{0, RefreshOff}, {4, PowerUpMode}, {5, PowerUpMode}, {6, PowerUpMode}, {7, PowerUpMode}},
                 SdramTiming(Choice("SMS", 0x50, 29, 3, "SDRAM Mode Select",
                                    {"(!) DRAM in Self-Refresh Mode, Refresh Disabled",
                                     "Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s",
                                     "Refresh interval:  100 Mhz -   7.8 \u00B5s      133 Mhz -   5.85 \u00B5s",
                                     "Refresh interval:  100 Mhz -   1.28 \u00B5s    133 Mhz -   0.96 \u00B5s",
                                     "(!) NOP Command Enable", "(!) All Banks Precharge Enable",
                                     "(!) Mode Register Set Enable", "(!) CBR Enable"}))))));

// 0x9C: SM register.
const Field TDLLE = About("Transmit DLL disable and bypass: moves the transmit and receive clocks of the SDRAM "
                          "interface. Read Intel's i815 data sheet before changing it.",
                          Warned({{0, TransmitDllHangs}, {On, TransmitDllHangs}},
                                 SdramTiming(Flag("TDLLE", 0x9C, 15, "Transmit DLL Disable && Bypass"))));

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

bool RiskInEveryChange(const Field& field)
{
    const size_t states = field.kind == FieldKind::Flag ? 2 : field.kind == FieldKind::Choice ? field.texts.size() : 0;
    if (states == 0 || field.risks.size() != states)
        return false;
    for (const RiskMark& mark : field.risks)
        if (std::string(mark.warning) != field.risks.front().warning)
            return false;
    return true;
}

int FasterState(const Field& field, int state)
{
    const auto at = std::find(field.faster.begin(), field.faster.end(), state);
    if (at == field.faster.end() || at + 1 == field.faster.end())
        return NoPosition;
    return *(at + 1);
}

int LongestRefreshState(unsigned rowBits)
{
    return rowBits <= 12 ? 1 : 2;
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
