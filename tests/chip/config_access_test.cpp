#include "../support/emulated_chip_fixture.h"

#include <vector>

using Trace = std::vector<PortOperation>;

class ConfigAccessTest : public EmulatedChipTest {};

TEST_F(ConfigAccessTest, ReadAndWriteUseOneAddressAndOneDataInstruction)
{
    EXPECT_EQ(ReadConfig(0x00), HostBridgeId);
    WriteConfig(0x70, 0x12345678);
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x80000000), In(0xCFC, 0x11308086),
                                   Out(0xCF8, 0x80000070), Out(0xCFC, 0x12345678)}));
}

TEST_F(ConfigAccessTest, ModifyBitsWritesBackEverythingElseAsRead)
{
    chip.SetDword(0xA8, 0x1F000304);
    EXPECT_EQ(ModifyConfigBits(0xA8, 0x10, true), 0x1F000314u);
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x800000A8), In(0xCFC, 0x1F000304),
                                   Out(0xCF8, 0x800000A8), Out(0xCFC, 0x1F000314)}));

    // Several bits go together; clearing bits that are already clear still writes.
    chip.ClearTrace();
    ModifyConfigBits(0xA8, 0x7, false);
    EXPECT_EQ(chip.Dword(0xA8), 0x1F000310u);
    chip.ClearTrace();
    ModifyConfigBits(0xA8, 0x7, false);
    EXPECT_EQ(chip.Trace().size(), 4u);
    EXPECT_EQ(chip.Trace().back(), Out(0xCFC, 0x1F000310));
    ModifyConfigBits(0xA8, 0x5, true);
    EXPECT_EQ(chip.Dword(0xA8) & 0x7, 0x5u);
}

TEST_F(ConfigAccessTest, SaveReadsAddressThenDataWithoutWritingFirst)
{
    chip.SetAddressLatch(0x80000050);
    SaveConfigPorts();
    EXPECT_EQ(chip.Trace(), (Trace{In(0xCF8, 0x80000050), In(0xCFC, 0x277C0244)}));
    EXPECT_EQ(SavedConfigAddress, 0x80000050u);
    EXPECT_EQ(SavedConfigData, 0x277C0244u);
}

TEST_F(ConfigAccessTest, RestorePutsBackTheAddressAndNoStaleData)
{
    // The operating system left dword 0x50 selected; the user then changes a DRAM timing.
    chip.SetAddressLatch(0x80000050);
    SaveConfigPorts();
    ModifyConfigBits(0x50, 1u << 26, true);
    const ConfigSpace afterChange = chip.Space();

    chip.ClearTrace();
    RestoreConfigPorts();
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x80000050)}));
    EXPECT_EQ(chip.AddressLatch(), 0x80000050u);
    EXPECT_EQ(chip.Space(), afterChange) << "the close must not undo the user's change";
}

TEST_F(ConfigAccessTest, RestoreWithoutAccessInBetweenStillWritesTheAddress)
{
    chip.SetAddressLatch(0x00001234);  // enable bit clear: left exactly as found
    SaveConfigPorts();
    chip.ClearTrace();
    RestoreConfigPorts();
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x00001234)}));
}

TEST(PortAccessSelection, NoBackEndIsAnErrorNotACrash)
{
    SelectPortAccess(nullptr);
    EXPECT_THROW(ReadConfig(0), std::logic_error);
}

TEST_F(ConfigAccessTest, AnOffsetThatIsNoDwordOfTheSpaceNeverReachesThePorts)
{
    for (uint32_t offset : {0x51u, 0x52u, 0x53u, 0x100u, 0x150u, 0xFFFFFFFCu}) {
        EXPECT_THROW(ReadConfig(offset), std::out_of_range) << offset;
        EXPECT_THROW(WriteConfig(offset, 0), std::out_of_range) << offset;
        EXPECT_THROW(ModifyConfigBits(offset, 0x1, true), std::out_of_range) << offset;
    }
    EXPECT_TRUE(chip.Trace().empty());
    EXPECT_EQ(ReadConfig(0xFC), chip.Dword(0xFC)) << "the last dword is one";
}
