// Which way to the chip each program takes: the kernel's file whenever it serves, the ports
// only when asked for, never on the side.
#include "access_refused.h"
#include "chip_route.h"
#include "dump_file.h"
#include "register_dump.h"
#include "ports_linux.h"

#include "../support/refused_ports.h"
#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

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

    EXPECT_EQ(portsAskedFor, 1);
}

TEST_F(ChipRouteTest, WithoutTheKernelsFileRootIsRefusedNotLedToThePorts)
{
    system.root = true;
    std::remove(system.kernelConfigPath.c_str());  // a chroot or a container without /sys
    for (const RouteNeeds needs : {RouteNeeds{false, false}, RouteNeeds{true, false}, RouteNeeds{true, true}}) {
        try {
            OpenChipRoute({}, needs, system);
            ADD_FAILURE() << "a route was taken without the kernel's file";
        } catch (const AccessRefused& refused) {
            EXPECT_NE(std::string(refused.what()).find("No such file or directory"), std::string::npos)
                << refused.what();
            EXPECT_EQ(refused.reason(), ENOENT) << "the reason that the advice to use --ports comes from";
        }
    }
    EXPECT_EQ(portsAskedFor, 0);
}

TEST_F(ChipRouteTest, AUserOnAnotherHostBridgeGetsItsIdentityNotAnAdviceOnPrivileges)
{
    // What the kernel shows everyone: the first 64 bytes, and the IDs beside the file.
    const std::string device = TestFile("0000:00:00.0");
    mkdir(device.c_str(), 0755);
    system.kernelConfigPath = device + "/config";
    EmulatedI815 i440fx;
    i440fx.SetDword(0x00, 0x12378086);
    WriteSpaceFile(system.kernelConfigPath, i440fx.Space(), 64);
    std::ofstream(device + "/vendor") << "0x8086\n";
    std::ofstream(device + "/device") << "0x1237\n";
    system.root = false;
    for (const RouteNeeds needs : {RouteNeeds{false, false}, RouteNeeds{true, false}, RouteNeeds{true, true}}) {
        const auto route = OpenChipRoute({}, needs, system);
        EXPECT_EQ(route->taken(), RouteTaken::ForeignBridge);
        EXPECT_EQ(route->access().Read(0x00), 0x12378086u);
    }
    // An i815 behind the same files: no identity stands in, the refusal says what is missing.
    std::ofstream(device + "/device") << "0x1130\n";
    EXPECT_THROW(OpenChipRoute({}, {false, false}, system), AccessRefused);
    for (const char* name : {"/config", "/vendor", "/device", ""})
        std::remove((device + name).c_str());
    EXPECT_EQ(portsAskedFor, 0);
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
