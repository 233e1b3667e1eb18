// The driver's check of its requests and its read-modify-write, as plain code on Linux: the
// test stands in for the HAL with a chip in memory that can also answer nothing, as Wine's does.
#include "driver_request.h"
#include "emulated_i815.h"
#include "field_map.h"
#include "helper_session.h"
#include "mechanism1_access.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

std::array<uint32_t, 64> chipDwords;
bool chipAnswers = true;
int chipWrites = 0;

class DriverRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        chipDwords = {};
        chipDwords[0x00 / 4] = 0x11308086;
        chipDwords[0x50 / 4] = 0x277C0244;
        chipDwords[0x70 / 4] = 0x0A82800D;  // E_SMRAM_ERR pending, which a written 1 would clear
        chipAnswers = true;
        chipWrites = 0;
    }

    // The request as the driver gets it; the answer in `answer` when done.
    static Outcome Read(uint32_t offset, uint32_t inputSize = 4, uint32_t outputSize = 4)
    {
        uint32_t buffer[4] = {offset};
        const Outcome outcome = ServeRequest(ReadRequestCode, buffer, inputSize, outputSize);
        answer = buffer[0];
        return outcome;
    }
    static Outcome Modify(uint32_t offset, uint32_t mask, uint32_t bits, uint32_t inputSize = 12)
    {
        uint32_t buffer[4] = {offset, mask, bits};
        const Outcome outcome = ServeRequest(ModifyRequestCode, buffer, inputSize, 4);
        answer = buffer[0];
        return outcome;
    }
    static inline uint32_t answer = 0;
};

}  // namespace

bool ReadChipDword(uint32_t offset, uint32_t* value)
{
    *value = chipDwords.at(offset / 4);
    return chipAnswers;
}

bool WriteChipDword(uint32_t offset, uint32_t value)
{
    chipDwords.at(offset / 4) = value;
    ++chipWrites;
    return chipAnswers;
}

TEST_F(DriverRequestTest, ReadsEveryAlignedDwordOfTheBridgeAndOnlyAtItsExactSizes)
{
    EXPECT_EQ(Read(0x50), Outcome::Done);
    EXPECT_EQ(answer, 0x277C0244u);
    EXPECT_EQ(Read(0xFC), Outcome::Done);
    for (uint32_t offset : {0x51u, 0x52u, 0x100u, 0xFFFFFFFCu})
        EXPECT_EQ(Read(offset), Outcome::Refused) << offset;
    for (uint32_t size : {0u, 3u, 8u}) {
        EXPECT_EQ(Read(0x50, size), Outcome::WrongSize);
        EXPECT_EQ(Read(0x50, 4, size), Outcome::WrongSize);
        EXPECT_EQ(Modify(0x50, 0x40, 0, size + 8), Outcome::WrongSize);
    }
    // The same function with another method or access, and another device's code.
    uint32_t buffer[3] = {0x50};
    for (uint32_t code : {ReadRequestCode | 3, ReadRequestCode & ~0xC000u, 0x0022E004u, 0u})
        EXPECT_EQ(ServeRequest(code, buffer, 4, 4), Outcome::UnknownRequest) << code;
    EXPECT_EQ(chipWrites, 0);
}

// The helper's refusals, and the driver's own: a timer's value between two steps of 8.
TEST_F(DriverRequestTest, RefusesWhatTheFieldTableDoesNotAllow)
{
    const struct {
        ModifyRequest request;
        Refusal refusal;
    } cases[] = {
        {{0x52, 0x00000040, 0x00000040}, Refusal::NotADword},
        {{0x100, 0x00000001, 0x00000000}, Refusal::NotADword},
        {{0x54, 0x0000000F, 0x00000001}, Refusal::NoSetting},           // DIMM 2's code
        {{0x50, 0x00000100, 0x00000000}, Refusal::MaskBeyondSettings},  // GFX mode strap
        {{0x70, 0x00000001, 0x00000001}, Refusal::MaskBeyondSettings},  // E_SMRAM_ERR, write 1 to clear
        {{0x70, 0x00000002, 0x00000002}, Refusal::MaskBeyondSettings},  // D_LCK, set once
        {{0x50, 0xFFFFFFFF, 0x277C0244}, Refusal::MaskBeyondSettings},  // a plain write
        {{0xA8, 0x00000010, 0x00000011}, Refusal::BitsBeyondMask},
        {{0xA8, 0x00000003, 0x00000001}, Refusal::MaskCutsSetting},  // AGPMODE
        {{0x70, 0x00400000, 0x00400000}, Refusal::MaskCutsSetting},  // RDTHR
        {{0x50, 0x20000000, 0x20000000}, Refusal::MaskCutsSetting},  // SMS
        {{0xA8, 0x00000007, 0x00000003}, Refusal::IllegalValue},     // AGPMODE 3
        {{0xBC, 0x000000FF, 0x00000041}, Refusal::IllegalValue},  // AMTT keeps bits 7-3 only
        {{0xA8, 0x00000007, 0x00000004}, Refusal::None},          // AGP 4X
        {{0x50, 0xE0000000, 0x40000000}, Refusal::None},          // SMS 2
        {{0x70, 0x00F80000, 0x00A80000}, Refusal::None},          // both throttles and the lock
        {{0x50, 0x00000000, 0x00000000}, Refusal::None},  // the dword written back as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.request.offset << " " << c.request.mask << " "
                                        << c.request.bits);
        EXPECT_EQ(ModifyRefusal(c.request), c.refusal);
        if (c.refusal != Refusal::None) {
            EXPECT_EQ(Modify(c.request.offset, c.request.mask, c.request.bits), Outcome::Refused);
        }
    }
    EXPECT_EQ(chipWrites, 0);
}

// The helper checks with the field table's objects, the driver with the table generated from
// them: the two agree on every request.
TEST_F(DriverRequestTest, RefusesTheSameRequestsAsTheHelper)
{
    EmulatedI815 emulated;
    Mechanism1Access access(emulated);
    HelperSession helper(access, [](const std::string&) {}, {0, true});
    std::mt19937 random(0x815);
    const uint32_t offsets[] = {0x00, 0x50, 0x52, 0x54, 0x70, 0x9C, 0xA8, 0xB0, 0xBC, 0xFC, 0x100};
    int allowed = 0;
    for (int round = 0; round < 20000; ++round) {
        const uint32_t offset = offsets[random() % std::size(offsets)];
        uint32_t mask = random();
        switch (random() % 3) {
        case 0: mask &= TunableBits(offset); break;
        case 1: mask = FieldMask(*TunableFields()[random() % TunableFields().size()]); break;
        }
        const ModifyRequest request{offset, mask, uint32_t(random()) & (random() % 8 ? mask : ~0u)};
        const bool helperRefuses = helper.Refusal({HelperRequest::Modify, offset, request.mask, request.bits}).has_value();
        const Refusal refusal = ModifyRefusal(request);
        allowed += refusal == Refusal::None;
        EXPECT_EQ(helperRefuses, refusal != Refusal::None)
            << std::hex << offset << " " << request.mask << " " << request.bits;
    }
    EXPECT_GT(allowed, 1000);
}

TEST_F(DriverRequestTest, WritesUnderTheMaskOnlyOnAnI815AndNeverAOneToClear)
{
    EXPECT_EQ(Modify(0x50, 0x00000040, 0), Outcome::Done);  // CLT off
    EXPECT_EQ(answer, 0x277C0204u);
    EXPECT_EQ(chipDwords[0x50 / 4], 0x277C0204u);
    EXPECT_EQ(Modify(0x70, 0x00020000, 0), Outcome::Done);  // BNR off; the pending error stays
    EXPECT_EQ(answer, 0x0A80800Cu);
    EXPECT_EQ(chipWrites, 2);

    chipDwords[0] = 0x71908086;  // an i440BX
    EXPECT_EQ(Modify(0x50, 0x00000040, 0x00000040), Outcome::NotAnI815);
    EXPECT_EQ(Read(0x00), Outcome::Done);
    EXPECT_EQ(answer, 0x71908086u);

    chipDwords[0] = 0x11308086;
    chipAnswers = false;  // Wine's HAL: no configuration space at all
    EXPECT_EQ(Read(0x00), Outcome::NoConfigurationSpace);
    EXPECT_EQ(Modify(0x50, 0x00000040, 0x00000040), Outcome::NoConfigurationSpace);
    EXPECT_EQ(chipWrites, 2);
    EXPECT_EQ(chipDwords[0x50 / 4], 0x277C0204u);
}
