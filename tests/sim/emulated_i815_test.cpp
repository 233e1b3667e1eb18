#include "../support/emulated_chip_fixture.h"

#include <random>

class EmulatedI815Test : public EmulatedChipTest {};

TEST_F(EmulatedI815Test, AddressPortIsALatchAndOnlyHostBridgeDwordsAnswer)
{
    chip.Out32(0xCF8, 0x12345678);
    EXPECT_EQ(chip.In32(0xCF8), 0x12345678u);

    chip.Out32(0xCF8, 0x00000000);  // enable bit clear
    EXPECT_EQ(chip.In32(0xCFC), 0xFFFFFFFFu);
    chip.Out32(0xCF8, 0x80000850);  // device 1
    EXPECT_EQ(chip.In32(0xCFC), 0xFFFFFFFFu);
    chip.Out32(0xCFC, 0);
    chip.Out32(0xCF8, 0x80010050);  // bus 1
    chip.Out32(0xCFC, 0);
    chip.Out32(0xCF8, 0x00000050);
    chip.Out32(0xCFC, 0);
    EXPECT_EQ(chip.Space(), EmulatedI815::DefaultImage()) << "writes elsewhere are ignored";

    chip.Out32(0xCF8, 0x80000053);  // the low two bits do not select a byte
    EXPECT_EQ(chip.In32(0xCFC), 0x277C0244u);
}

TEST_F(EmulatedI815Test, OnlyTheDatasheetsWritableBitsChange)
{
    struct Case { uint32_t offset, writable; };
    const Case cases[] = {{0x00, 0}, {0x08, 0}, {0x50, 0xFF0002C8}, {0x54, 0},
                          {0x9C, 0x8000}, {0xA8, 0x337}, {0xB0, 0x81}, {0xBC, 0xF8F8}};
    std::mt19937 random(1130);
    for (const Case& c : cases) {
        for (int round = 0; round < 64; ++round) {
            const uint32_t before = chip.Dword(c.offset), written = random();
            WriteConfig(c.offset, written);
            EXPECT_EQ(chip.Dword(c.offset), (before & ~c.writable) | (written & c.writable))
                << std::hex << "dword 0x" << c.offset;
        }
    }
}

// AMTT and LPTT count in bits 7-3 of their bytes; bits 2-0 are reserved and read as 0, even
// from an image (a hand-made dump) that holds ones there.
TEST_F(EmulatedI815Test, TheTimersReservedBitsReadAsZero)
{
    chip.SetDword(0xBC, 0x0008FFFF);
    EXPECT_EQ(ReadConfig(0xBC), 0x0008F8F8u);
    WriteConfig(0xBC, 0x00000707);
    EXPECT_EQ(ReadConfig(0xBC), 0x00080000u);
    WriteConfig(0xBC, 0x0000FFFF);
    EXPECT_EQ(ReadConfig(0xBC), 0x0008F8F8u);
}

TEST_F(EmulatedI815Test, ThrottleLockHoldsTheThrottleBitsUntilReset)
{
    const uint32_t unlockedMask = 0xA8FB00FF;
    WriteConfig(0x70, 0);
    EXPECT_EQ(chip.Dword(0x70), 0x0A82800Cu & ~unlockedMask);

    WriteConfig(0x70, (1u << 19) | (2u << 22) | (1u << 20));  // lock together with a limit
    const uint32_t locked = chip.Dword(0x70);
    EXPECT_EQ(locked & 0x00F80000, 0x00980000u);

    WriteConfig(0x70, 0xFFFFFFFF);
    EXPECT_EQ(chip.Dword(0x70) & 0x00F80000, 0x00980000u) << "locked bits stay";
    EXPECT_EQ(chip.Dword(0x70) & 0xA80300FF, 0xA80300FEu) << "other writable bits still change";
    WriteConfig(0x70, 0);
    EXPECT_EQ(chip.Dword(0x70) & 0x00F80000, 0x00980000u);

    EmulatedI815 reset;
    SelectPortAccess(&reset);
    WriteConfig(0x70, 0);
    EXPECT_EQ(reset.Dword(0x70) & 0x00F80000, 0u);
}

// SMRAM, byte 0x70: E_SMRAM_ERR (bit 0) is cleared by writing 1, D_LCK (bit 1) is set by writing
// 1 and then freezes GMS (7:6), USMM (5:4) and LSMM (3) until a reset.
TEST_F(EmulatedI815Test, SmramErrorIsWriteOneToClearAndItsLockIsSetOnce)
{
    chip.SetDword(0x70, 0x0A82800D);  // an SMRAM error pending
    WriteConfig(0x70, 0x0A828000);
    EXPECT_EQ(chip.Dword(0x70), 0x0A828001u) << "a 0 leaves the error; plain bits 2 and 3 clear";
    WriteConfig(0x70, 0x0A828001);
    EXPECT_EQ(chip.Dword(0x70), 0x0A828000u) << "a 1 clears it";

    WriteConfig(0x70, 0x0A8280F8);
    EXPECT_EQ(chip.Dword(0x70) & 0xFF, 0xF8u) << "unlocked, GMS, USMM and LSMM take writes";
    WriteConfig(0x70, 0x0A8280FA);
    EXPECT_EQ(chip.Dword(0x70) & 0xFF, 0xFAu) << "locked";
    WriteConfig(0x70, 0x0A828004);
    EXPECT_EQ(chip.Dword(0x70) & 0xFF, 0xFEu) << "locked bits and the lock stay; bit 2 stays plain";
    WriteConfig(0x70, 0x0A828000);
    EXPECT_EQ(chip.Dword(0x70) & 0xFF, 0xFAu);
}

TEST_F(EmulatedI815Test, TheBuiltInCapabilityListLeadsToTheAgpCapability)
{
    std::vector<uint32_t> walked;
    for (uint32_t at = ReadConfig(0x34) & 0xFF; at != 0 && walked.size() < 8; at = (ReadConfig(at) >> 8) & 0xFF)
        walked.push_back(at);
    EXPECT_EQ(walked, (std::vector<uint32_t>{0x88, 0xA0}));
    EXPECT_EQ(ReadConfig(0x88), 0xF104A009u);
    EXPECT_EQ(ReadConfig(0xA0) & 0xFF, 0x02u) << "capability 2: AGP";
}

TEST_F(EmulatedI815Test, TheFourXOverrideTakesFourXOutOfTheAgpStatus)
{
    EXPECT_EQ(ReadConfig(0xA4) & 0x7, 0x7u) << "1X, 2X and 4X";
    WriteConfig(0xB0, 0x81);
    EXPECT_EQ(ReadConfig(0xA4) & 0x7, 0x3u);
    WriteConfig(0xB0, 0x80);
    EXPECT_EQ(ReadConfig(0xA4) & 0x7, 0x7u);
}

TEST_F(EmulatedI815Test, TraceRecordsEveryPortOperation)
{
    chip.SetAddressLatch(0x80000008);
    SaveConfigPorts();
    WriteConfig(0x54, 1);
    chip.In32(0x80);
    EXPECT_EQ(chip.Trace(), (std::vector<PortOperation>{
                                In(0xCF8, 0x80000008), In(0xCFC, 0x06000002),
                                Out(0xCF8, 0x80000054), Out(0xCFC, 1), In(0x80, 0xFFFFFFFF)}));
}

// The window reads seven dwords a refresh, four refreshes a second at the fastest, for days: a
// chip that no test asked to record keeps nothing.
TEST(EmulatedI815Memory, KeepsNoTraceUnlessAskedFor)
{
    EmulatedI815 chip;
    for (int i = 0; i < 100000; ++i) {
        chip.Out32(0xCF8, 0x80000050);
        chip.In32(0xCFC);
    }
    EXPECT_TRUE(chip.Trace().empty());
    EXPECT_EQ(chip.Trace().capacity(), 0u);
    chip.KeepTrace();
    chip.In32(0xCFC);
    EXPECT_EQ(chip.Trace(), (std::vector<PortOperation>{{PortOperation::In, 0xCFC, 0x277C0244}}));
}
