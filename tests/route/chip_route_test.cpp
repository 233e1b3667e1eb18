// Which way to the chip each program takes: the kernel's file whenever it serves, the ports
// only where the kernel has no file, and never the ports on the side.
#include "access_refused.h"
#include "chip_route.h"
#include "dump_file.h"
#include "register_dump.h"
#include "ports_linux.h"

#include "../support/refused_ports.h"
#include "../support/test_files.h"

#include <gtest/gtest.h>

namespace {

class ChipRouteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.kernelConfigPath = TestFile("config");
        system.lockPath = TestLock();
        system.helperSocket = TestFile("no.socket");
        system.pkexecPath = TestFile("no-pkexec");
        system.makePorts = [this] {
            ++portsAskedFor;
            return std::make_unique<RefusedPorts>();
        };
        WriteSpaceFile(system.kernelConfigPath, EmulatedI815::DefaultImage());
    }
    void TearDown() override { std::remove(system.kernelConfigPath.c_str()); }

    RouteSystem system;
    int portsAskedFor = 0;
};

}  // namespace

TEST_F(ChipRouteTest, TheKernelsFileServesRootsProgramsAndThePortsAreNeverAskedFor)
{
    for (const RouteNeeds needs : {RouteNeeds{false, false}, RouteNeeds{true, false}, RouteNeeds{true, true}}) {
        system.root = true;
        const auto route = OpenChipRoute({}, needs, system);
        EXPECT_EQ(route->taken(), RouteTaken::Kernel);
        EXPECT_EQ(route->access().Read(0x00), 0x11308086u);
        route->access().SavePorts();  // the window's port save: nothing to keep
        route->access().RestorePorts();
        if (needs.change) {
            EXPECT_EQ(route->access().Modify(0x50, 1u << 26, 0), 0x237C0244u);
        }
    }
    // A user whose file serves (privilege of another kind) takes it as well.
    system.root = false;
    EXPECT_EQ(OpenChipRoute({}, {true, true}, system)->taken(), RouteTaken::Kernel);
    EXPECT_EQ(portsAskedFor, 0);
    EXPECT_EQ(ReadSpaceFile(system.kernelConfigPath)[0x53], 0x23) << "the write went to the file";
}

TEST_F(ChipRouteTest, ThePortsOnlyWhereTheKernelHasNoFileOrWhenAskedFor)
{
    system.root = true;
    EXPECT_THROW(OpenChipRoute({RouteKind::Ports, {}, {}}, {false, false}, system), AccessRefused);
    EXPECT_EQ(portsAskedFor, 1);

    // The kernel refuses root (a read-only /sys): said as it is, no way around it.
    WriteSpaceFile(system.kernelConfigPath, EmulatedI815::DefaultImage(), 64);
    try {
        OpenChipRoute({}, {false, false}, system);
        ADD_FAILURE() << "a short file was taken";
    } catch (const AccessRefused& refused) {
        EXPECT_NE(std::string(refused.what()).find("only the first 64 bytes"), std::string::npos) << refused.what();
        EXPECT_EQ(std::string(refused.what()).find("ports"), std::string::npos) << refused.what();
    }
    EXPECT_EQ(portsAskedFor, 1);

    std::remove(system.kernelConfigPath.c_str());
    try {
        OpenChipRoute({}, {true, true}, system);
        ADD_FAILURE() << "refused ports were taken";
    } catch (const AccessRefused& refused) {
        EXPECT_NE(std::string(refused.what()).find("cannot be opened for writing: No such file or directory; and access "
                                                   "to the PCI configuration ports 0xCF8-0xCFF was refused"),
                  std::string::npos)
            << refused.what();
    }
    EXPECT_EQ(portsAskedFor, 2);
}

TEST_F(ChipRouteTest, TheEmulatedChipFromItsDumpOrBuiltIn)
{
    EmulatedI815 other;
    other.SetDword(0x50, 0x12345678);
    WriteRegisterDumpFile(TestFile("dump.txt"), other.Space());
    const auto fromDump = OpenChipRoute({RouteKind::Emulated, TestFile("dump.txt"), {}}, {true, true}, system);
    EXPECT_EQ(fromDump->taken(), RouteTaken::Emulated);
    EXPECT_EQ(fromDump->access().Read(0x50), 0x12345678u);
    ASSERT_NE(fromDump->emulated(), nullptr);
    EXPECT_EQ(OpenChipRoute({RouteKind::Emulated, {}, {}}, {}, system)->access().Read(0x50), 0x277C0244u);
    EXPECT_THROW(OpenChipRoute({RouteKind::Emulated, TestFile("absent.txt"), {}}, {}, system), DumpError);
    std::remove(TestFile("dump.txt").c_str());
    EXPECT_EQ(portsAskedFor, 0);
}
