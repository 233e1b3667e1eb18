#include "emulated_i815.h"
#include "field_map.h"
#include "field_values.h"
#include "mechanism1_access.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

using namespace Fields;

namespace {

// The dword after a read-modify-write of the field with a control state.
uint32_t EncodeField(const Field& f, uint32_t old, int state)
{
    const FieldWrite write = EncodeFieldWrite(f, state);
    return (old & ~write.mask) | write.bits;
}

// Every state a control of the field can hand over, including a list without a selection.
std::vector<int> StatesOf(const Field& f)
{
    std::vector<int> states;
    const int count = f.kind == FieldKind::Flag ? 2 : f.kind == FieldKind::Number ? 256 : int(f.texts.size());
    for (int s = f.kind == FieldKind::Choice ? NoPosition : 0; s < count; ++s)
        states.push_back(s);
    return states;
}

}  // namespace

// Every state of every field, on dwords of every kind: only the field's bits change, and the
// state decodes back to itself.
TEST(FieldMap, EveryStateChangesOnlyItsFieldAndDecodesBackToItself)
{
    std::mt19937 random(815);
    for (int round = 0; round < 64; ++round) {
        const uint32_t old = round == 0 ? 0 : round == 1 ? 0xFFFFFFFF : uint32_t(random());
        for (const Field* f : TunableFields())
            for (int state : StatesOf(*f))
                ASSERT_EQ(EncodeField(*f, old, state) & ~FieldMask(*f), old & ~FieldMask(*f)) << f->name << " " << state;
    }
    for (const Field* f : TunableFields()) {
        for (int state : StatesOf(*f)) {
            if (state < 0)
                continue;
            const uint32_t dword = EncodeField(*f, 0xA5A5A5A5, state);
            switch (f->kind) {
            case FieldKind::Flag: EXPECT_EQ(DecodeFlag(*f, dword), state != 0) << f->name; break;
            case FieldKind::Choice: EXPECT_EQ(DecodeChoice(*f, dword), state) << f->name; break;
            case FieldKind::Number: EXPECT_EQ(DecodeNumber(*f, dword), unsigned(state)) << f->name; break;
            case FieldKind::Status: ADD_FAILURE() << f->name << " is not tunable";
            }
        }
    }
}

// The masks and places as the chip's data sheet gives them, written out independently of the
// table, so that a mistyped bit number fails here.
TEST(FieldMap, FieldsSitWhereTheChipHasThem)
{
    struct Expected { const Field& field; uint32_t dword, mask; };
    const Expected expected[] = {
        {AGP4XOVR, 0xB0, 0x1},        {AGPSBA, 0xA8, 0x200},       {AGPFW, 0xA8, 0x10},
        {AGPMODE, 0xA8, 0x7},         {AMTT, 0xBC, 0xFF},          {LPTT, 0xBC, 0xFF00},
        {CLT, 0x50, 0x40},            {DPCP, 0x50, 0x8},           {MAG, 0x50, 0x80},
        {BNR, 0x70, 1u << 17},        {CPC, 0x70, 1u << 27},       {SM, 0x70, 1u << 29},
        {THRLOCK, 0x70, 1u << 19},    {RDTHR, 0x70, ~0xFF3FFFFFu}, {WRTHR, 0x70, ~0xFFCFFFFFu},
        {CAS, 0x50, 1u << 26},        {RAS2CAS, 0x50, 1u << 25},   {RAS, 0x50, 1u << 24},
        {DCT, 0x50, 1u << 28},        {SMS, 0x50, ~0x1FFFFFFFu},   {HACQS, 0x50, 1u << 27},
        {TDLLE, 0x9C, 1u << 15},
        {Revision, 0x08, 0xFF},       {GfxMode, 0x50, 0x100},      {MemoryFrequency, 0x50, 0x4},
        {Dimm0Population, 0x50, 0xF0000}, {Dimm1Population, 0x50, 0xF00000},
        {Dimm2Population, 0x54, 0xF}, {AgpSignalling, 0xBC, 1u << 19}, {Identity, 0x00, 0xFFFFFFFF},
    };
    ASSERT_EQ(TunableFields().size(), 22u);
    for (const Expected& e : expected) {
        EXPECT_EQ(e.field.dword, e.dword) << e.field.name;
        EXPECT_EQ(FieldMask(e.field), e.mask) << e.field.name;
    }
}

TEST(FieldMap, AgpModeIsOneHotWithIllegalValues)
{
    for (uint32_t value = 0; value < 8; ++value) {
        const int expected = value <= 2 ? int(value) : value == 4 ? 3 : NoPosition;
        EXPECT_EQ(DecodeChoice(AGPMODE, 0x1F000300 | value), expected) << "value " << value;
    }
    // "AGP 4X" and anything past it write 4, not 3.
    for (int position = 3; position < 8; ++position)
        EXPECT_EQ(EncodeField(AGPMODE, 0x1F000307, position), 0x1F000304u);
    EXPECT_EQ(EncodeField(AGPMODE, 0x1F000307, 2), 0x1F000302u);
    EXPECT_EQ(EncodeField(AGPMODE, 0x1F000307, NoPosition), 0x1F000307u) << "no selection writes nothing new";
}

TEST(FieldMap, OneBitChoiceWithoutSelectionSetsTheBit)
{
    for (const Field* f : {&DPCP, &MAG, &CAS, &RAS2CAS, &RAS, &DCT}) {
        EXPECT_TRUE(IsSingleBit(*f));
        EXPECT_TRUE(SingleBitState(NoPosition)) << f->name;
        EXPECT_EQ(EncodeField(*f, 0, NoPosition), FieldMask(*f)) << f->name;
        EXPECT_EQ(EncodeField(*f, 0xFFFFFFFF, 0), ~FieldMask(*f)) << f->name;
    }
}

TEST(FieldMap, MultiBitEncodingsMaskThePosition)
{
    EXPECT_EQ(EncodeField(RDTHR, 0xFFFFFFFF, 1), 0xFF7FFFFFu);
    EXPECT_EQ(EncodeField(WRTHR, 0, 3), 0x00300000u);
    EXPECT_EQ(EncodeField(SMS, 0x277C0244, 4), 0x877C0244u);
    EXPECT_EQ(EncodeField(AMTT, 0x12345678, 0x20), 0x12345620u);
    EXPECT_EQ(EncodeField(LPTT, 0x12345678, 0xFF), 0x1234FF78u);
}

TEST(FieldMap, ChoiceTextsAreExact)
{
    EXPECT_STREQ(RDTHR.texts[0], "No limit               (800MB/s)");
    EXPECT_STREQ(RDTHR.texts[1], "Limit at 87.5 %  (700MB/s)");
    EXPECT_STREQ(WRTHR.texts[1], "Limit at 62.5 %  (500MB/s)");
    EXPECT_STREQ(WRTHR.texts[3], "Limit at 37%      (300MB/s)");
    EXPECT_STREQ(SMS.texts[3], "Refresh interval:  100 Mhz -   1.28 \xC2\xB5s    133 Mhz -   0.96 \xC2\xB5s");
    EXPECT_STREQ(TDLLE.texts[0], "Transmit DLL Disable && Bypass");
    EXPECT_EQ(SMS.texts.size(), 8u);
    EXPECT_STREQ(SMS.texts[7], "(!) CBR Enable");
}

// The data sheet's AMTT and LPTT count in bits 7-3; bits 2-0 are reserved. AGPMODE is one-hot.
TEST(FieldMap, LegalValuesAreThoseTheChipHolds)
{
    for (const Field* f : {&AMTT, &LPTT}) {
        EXPECT_EQ(LargestNumber(*f), 248u) << f->name;
        for (uint32_t value : {0u, 8u, 32u, 64u, 248u})
            EXPECT_TRUE(IsLegalValue(*f, value)) << f->name << " " << value;
        for (uint32_t value : {1u, 7u, 33u, 65u, 249u, 255u, 256u})
            EXPECT_FALSE(IsLegalValue(*f, value)) << f->name << " " << value;
    }
    for (uint32_t value = 0; value < 8; ++value)
        EXPECT_EQ(IsLegalValue(AGPMODE, value), value == 0 || value == 1 || value == 2 || value == 4) << value;
    EXPECT_TRUE(IsLegalValue(SMS, 7));
    EXPECT_FALSE(IsLegalValue(SMS, 8));
    EXPECT_TRUE(IsLegalValue(CAS, 1));
    EXPECT_FALSE(IsLegalValue(CAS, 2));
}

// What the window's hints warn of, and nothing else: FastWrites "WILL HANG", the Transmit DLL
// "MAY (SURELY) HANG" and CAS "MAY HANG" when toggled, the "(!)" SDRAM modes, and the throttle
// lock that "you can't disable anymore".
TEST(FieldMap, RiskMarksAreWhereTheHintsWarn)
{
    const std::set<std::pair<std::string, int>> expected{
        {"agpfw", 1}, {"tdlle", 0}, {"tdlle", 1}, {"cas", 0}, {"cas", 1}, {"thrlock", 1},
        {"sms", 0},   {"sms", 4},   {"sms", 5},   {"sms", 6}, {"sms", 7},
        // The window's hint: "AGP mode should be set by your video driver".
        {"agpmode", 0}, {"agpmode", 1}, {"agpmode", 2}, {"agpmode", 3},
        // The SDRAM timings, like CAS: any change can hang the machine as it is written.
        {"ras2cas", 0}, {"ras2cas", 1}, {"ras", 0}, {"ras", 1}, {"dct", 0}, {"dct", 1},
    };
    std::set<std::pair<std::string, int>> marked;
    for (const Field* f : TunableFields()) {
        const int states = f->kind == FieldKind::Flag ? 2 : f->kind == FieldKind::Number ? 256 : int(f->texts.size());
        for (int state = 0; state < states; ++state) {
            if (const char* warning = RiskWarning(*f, state)) {
                marked.insert({FieldKey(*f), state});
                EXPECT_GT(std::string(warning).size(), 20u) << f->name;
                EXPECT_EQ(std::string(warning).find('\n'), std::string::npos) << "one line: " << warning;
            }
        }
    }
    EXPECT_EQ(marked, expected);
    EXPECT_NE(std::string(RiskWarning(AGPFW, 1)).find("will hang"), std::string::npos);
    EXPECT_NE(std::string(RiskWarning(SMS, 0)).find("refresh disabled"), std::string::npos) << "the refresh off";
    EXPECT_NE(std::string(RiskWarning(AGPMODE, 3)).find("video driver"), std::string::npos);
    for (const Field* f : TunableFields())
        EXPECT_EQ(RiskInEveryChange(*f),
                  f == &CAS || f == &TDLLE || f == &RAS2CAS || f == &RAS || f == &DCT || f == &AGPMODE)
            << "changing them is the risk: " << f->name;
    for (int position : {0, 4, 5, 6, 7})
        EXPECT_EQ(std::string(SMS.texts[size_t(position)]).rfind("(!)", 0), 0u) << "a \"(!)\" mode: " << position;
}

// The table's lock against the emulated chip's: with the throttle lock set, exactly the fields
// that name it as their lock stop taking writes; and the lock itself stays set.
TEST(FieldMap, TheFieldsThatTheThrottleLockFreezesAreThoseThatNameIt)
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    access.Modify(THRLOCK.dword, FieldMask(THRLOCK), FieldMask(THRLOCK));
    for (const Field* f : TunableFields()) {
        const uint32_t before = access.Read(f->dword);
        access.Modify(f->dword, FieldMask(*f), ~before);
        const bool frozen = (access.Read(f->dword) & FieldMask(*f)) == (before & FieldMask(*f));
        EXPECT_EQ(frozen, f->lockedBy == &THRLOCK || f == &THRLOCK) << f->name;
        EXPECT_EQ(LocksOthers(*f), f == &THRLOCK) << f->name;
    }
}

TEST(FieldMap, TuneStepsTowardTheDataSheetsFasterTimingsOneStateAtATime)
{
    struct Step {
        const Field& field;
        int from;
        int to;
        uint32_t mask, bits;  // what the step writes, from the data sheet's register layout
    };
    const Step steps[] = {
        {CAS, 0, 1, 0x04000000, 0x04000000},      // CL 3 -> 2: DRAMT bit 26 set
        {RAS2CAS, 0, 1, 0x02000000, 0x02000000},  // Trcd 3 -> 2
        {RAS, 0, 1, 0x01000000, 0x01000000},      // Trp 3 -> 2
        {DCT, 1, 0, 0x10000000, 0x00000000},      // Tras/Trc 7/9 -> 5/7: bit 28 clear
        {SMS, 3, 2, 0xE0000000, 0x40000000},      // refresh 1.28 us -> 7.8 us
        {SMS, 2, 1, 0xE0000000, 0x20000000},      // 7.8 us -> 15.6 us
        {CPC, 0, 1, 0x08000000, 0x08000000},      // MISCC bit 27
        {SM, 0, 1, 0x20000000, 0x20000000},
        {BNR, 0, 1, 0x00020000, 0x00020000},
        {CLT, 0, 1, 0x00000040, 0x00000040},
        {DPCP, 1, 0, 0x00000008, 0x00000000},     // all banks -> one bank
        {MAG, 1, 0, 0x00000080, 0x00000000},      // timeslice -> fixed
        {RDTHR, 3, 2, 0x00C00000, 0x00800000},
        {RDTHR, 1, 0, 0x00C00000, 0x00000000},    // no limit
        {WRTHR, 1, 0, 0x00300000, 0x00000000},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.field.name) + " from " + std::to_string(step.from));
        ASSERT_EQ(FasterState(step.field, step.from), step.to);
        const FieldWrite write = EncodeFieldWrite(step.field, step.to);
        EXPECT_EQ(write.mask, step.mask);
        EXPECT_EQ(write.bits, step.bits);
    }

    // The fastest state is the end; the refresh never leaves a power-up mode or self-refresh,
    // and never goes past 15.6 us.
    for (const auto& [field, state] : std::vector<std::pair<const Field*, int>>{
             {&CAS, 1}, {&DCT, 0}, {&SMS, 1}, {&SMS, 0}, {&SMS, 4}, {&SMS, 7}, {&RDTHR, 0}, {&DPCP, 0},
             {&CPC, NoPosition}})
        EXPECT_EQ(FasterState(*field, state), NoPosition) << field->name << " " << state;

    std::set<std::string> tuned, untouched;
    for (const Field* field : TunableFields())
        (field->faster.empty() ? untouched : tuned).insert(field->name);
    EXPECT_EQ(untouched, (std::set<std::string>{"AGP4XOVR", "AGPSBA", "AGPFW", "AGPMODE", "AMTT", "LPTT", "THRLOCK",
                                                "HACQS", "TDLLE"}))
        << "the video driver's AGP, the lock that stays until reset, reserved bits and the transmit DLL";

    // 64 ms for every row: 4096 rows at 15.6 us, 8192 at 7.8 us.
    EXPECT_EQ(LongestRefreshState(11), 1);
    EXPECT_EQ(LongestRefreshState(12), 1);
    EXPECT_EQ(LongestRefreshState(13), 2);
}
