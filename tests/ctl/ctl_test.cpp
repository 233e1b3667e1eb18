// i815ctl end to end: command lines on the emulated chip, on a file standing in for the
// kernel's, and on ports that the system refuses.
#include "chip_commands.h"
#include "exit_status.h"
#include "ctl_program.h"
#include "emulated_i815.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "helper_protocol.h"
#include "mechanism1_access.h"
#include "dump_file.h"
#include "register_dump.h"
#include "../support/refused_ports.h"
#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class CtlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.kernelConfigPath = TestFile("config");
        system.lockPath = TestLock();
        system.lockdownPath = TestFile("lockdown");
        system.makePorts = [] { return std::make_unique<RefusedPorts>(); };
        system.root = true;
        WriteRegisterDumpFile(TestFile("start.txt"), EmulatedI815::DefaultImage());
    }
    void TearDown() override
    {
        for (const char* name : {"config", "lock", "lockdown", "start.txt", "saved.txt"})
            std::remove(TestFile(name).c_str());
    }


    int Run(std::vector<std::string> args)
    {
        std::ostringstream o, e;
        const int status = RunCtl(args, system, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
    // Runs on the emulated chip from `image`; `after` is what the chip holds at the end.
    int RunEmulated(const ConfigSpace& image, std::vector<std::string> args)
    {
        WriteRegisterDumpFile(TestFile("start.txt"), image);
        args.insert(args.begin(), {"--emulated=" + TestFile("start.txt"), "--save-emulated", TestFile("saved.txt")});
        std::remove(TestFile("saved.txt").c_str());
        const int status = Run(args);
        after = ReadRegisterDumpFile(TestFile("saved.txt"));
        return status;
    }
    static void WriteKernelFile(const ConfigSpace& space, size_t size = 256) { WriteSpaceFile(TestFile("config"), space, size); }
    static ConfigSpace KernelFile() { return ReadSpaceFile(TestFile("config")); }
    static ConfigSpace With(ConfigSpace space, uint32_t offset, uint32_t value)
    {
        EmulatedI815 chip(space);
        chip.SetDword(offset, value);
        return chip.Space();
    }

    CtlSystem system;
    std::string out, err;
    ConfigSpace after{};
    const ConfigSpace image = EmulatedI815::DefaultImage();
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(CtlTest, ShowTellsTheChipAndEverySettingWithItsBits)
{
    ASSERT_EQ(Run({"--emulated", "show"}), 0) << err;
    EXPECT_EQ(out.substr(0, out.find("DIMM 0")),
              "Chipset: Intel i815 (8086:1130), revision 2\nMode: AGP mode 1.5V\nMemory: 133 Mhz Operation\n");
    EXPECT_TRUE(Has(out, "DIMM 2 Population:\n Empty\n\n"));
    // The values with single blanks; a value too long for its column has its bits below it.
    EXPECT_EQ(out.substr(out.find("\n\n") + 2),
              "agp4xovr  off                      [0xB0 bit 0: 0]\n"
              "agpsba    on                       [0xA8 bit 9: 1]\n"
              "agpfw     off                      [0xA8 bit 4: 0]\n"
              "agpmode   AGP 4X                   [0xA8 bits 2-0: 100]\n"
              "amtt      32                       [0xBC bits 7-0: 00100000]\n"
              "lptt      32                       [0xBC bits 15-8: 00100000]\n"
              "clt       on                       [0x50 bit 6: 1]\n"
              "dpcp      One Bank                 [0x50 bit 3: 0]\n"
              "mag       Fixed mode               [0x50 bit 7: 0]\n"
              "bnr       on                       [0x70 bit 17: 1]\n"
              "cpc       on                       [0x70 bit 27: 1]\n"
              "sm        off                      [0x70 bit 29: 0]\n"
              "thrlock   off                      [0x70 bit 19: 0]\n"
              "rdthr     Limit at 75 % (600MB/s)  [0x70 bits 23-22: 10]\n"
              "wrthr     No limit (800MB/s)       [0x70 bits 21-20: 00]\n"
              "cas       2 clocks                 [0x50 bit 26: 1]\n"
              "ras2cas   2 clocks                 [0x50 bit 25: 1]\n"
              "ras       2 clocks                 [0x50 bit 24: 1]\n"
              "dct       5,7                      [0x50 bit 28: 0]\n"
              "sms       Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s\n"
              "                                   [0x50 bits 31-29: 001]\n"
              "hacqs     off                      [0x50 bit 27: 0]\n"
              "tdlle     off                      [0x9C bit 15: 0]\n");
    EXPECT_TRUE(err.empty());

    EXPECT_EQ(RunEmulated(With(image, 0x50, 0x277C0344), {"show"}), 0);
    EXPECT_TRUE(Has(out, "Mode: GFX mode\n"));
    EXPECT_EQ(RunEmulated(With(With(image, 0x50, 0x277C0240), 0xBC, 0x00082020), {"show"}), 0);
    EXPECT_TRUE(Has(out, "Mode: AGP mode 3.3V\nMemory: 100 Mhz Operation\n"));
}

TEST_F(CtlTest, GetGivesTheValuesAloneForScripts)
{
    ASSERT_EQ(Run({"--emulated", "get", "cas", "agpmode", "amtt", "bnr", "wrthr"}), 0) << err;
    EXPECT_EQ(out, "2 clocks\nAGP 4X\n32\non\nNo limit (800MB/s)\n") << "no padding blanks";
    EXPECT_EQ(RunEmulated(With(image, 0xA8, 0x1F000303), {"get", "agpmode"}), 0);
    EXPECT_EQ(out, "(illegal value 3)\n");
    EXPECT_EQ(Run({"--emulated", "get", "cas", "CASx"}), 2);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(Has(err, "unknown setting \"CASx\"")) << err;
    EXPECT_TRUE(Has(err, "agp4xovr agpsba agpfw agpmode amtt lptt"));
}

TEST_F(CtlTest, SetChecksEveryArgumentBeforeTheFirstWrite)
{
    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"set", "cas=3 clocks", "bogus=1"}, "unknown setting \"bogus\""},
        {{"set", "cas=3 clocks", "cas"}, "\"cas\" is not KEY=VALUE"},
        {{"set", "ras=3 clocks", "cas=4 clocks"},
         "cas: \"4 clocks\" is not a value of CAS; legal values: 3 (\"3 clocks\"), 2 (\"2 clocks\")"},
        {{"set", "agpfw=yes"}, "legal values: on, off"},
        {{"set", "agpmode=AGP 3X"}, "none (\"None selected\"), 1x (\"AGP 1X\"), 2x (\"AGP 2X\"), 4x (\"AGP 4X\")"},
        {{"set", "--force", "cas=3 clocks", "agpmode=3"}, "agpmode: \"3\" is not a value"},
        {{"set", "amtt=256"}, "legal values: multiples of 8 from 0 to 248, in decimal or 0x hexadecimal"},
        {{"set", "amtt=-1"}, "amtt: \"-1\""},
        {{"set", "lptt=0x1G"}, "lptt: \"0x1G\""},
        {{"set", "cas=3 clocks", "cas=2 clocks"}, "cas is given twice"},
        {{"set"}, "set needs at least one KEY=VALUE"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.message);
        EXPECT_EQ(RunEmulated(image, b.args), 2);
        EXPECT_TRUE(Has(err, b.message)) << err;
        EXPECT_EQ(after, image) << "nothing written";
    }

    EmulatedI815 i440fx;
    i440fx.SetDword(0x00, 0x12378086);
    EXPECT_EQ(RunEmulated(i440fx.Space(), {"set", "ras=3 clocks"}), 2);
    const std::string notAnI815 =
        "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130.\n";
    EXPECT_EQ(err, notAnI815);
    EXPECT_EQ(after, i440fx.Space());
    EXPECT_EQ(RunEmulated(i440fx.Space(), {"show"}), 2);
    EXPECT_EQ(err, notAnI815);
    EXPECT_TRUE(out.empty());
}

TEST_F(CtlTest, SetTakesWordsNumbersAndTextsAndChangesOnlyThoseFields)
{
    ASSERT_EQ(RunEmulated(image, {"set", "CAS=  3   CLOCKS ", "rdthr=no limit (800mb/s)", "wrthr=37%", "amtt=0x48",
                                  "lptt=16", "agpfw=on", "agpmode=2", "sms=7.8", "--force"}),
              0)
        << err;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(err, "i815ctl: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n"
                   "i815ctl: warning: agpfw = on: the i815 does not support fast writes: the machine will hang\n"
                   "i815ctl: warning: agpmode = AGP 2X: the video driver should set the AGP data rate: a rate that "
                   "the card is not set for may hang the machine\n");
    EmulatedI815 chip(after), before(image);
    EXPECT_EQ(chip.Dword(0x50), 0x437C0244u);  // CAS 3 clocks (bit 26 clear), SMS 2
    EXPECT_EQ(chip.Dword(0x70), 0x0A32800Cu);  // RDTHR 0, WRTHR 3
    EXPECT_EQ(chip.Dword(0xBC), 0x00001048u);
    EXPECT_EQ(chip.Dword(0xA8), 0x1F000312u);  // fast writes, 2X
    for (uint32_t offset = 0; offset < 256; offset += 4) {
        if (offset != 0x50 && offset != 0x70 && offset != 0xBC && offset != 0xA8) {
            EXPECT_EQ(chip.Dword(offset), before.Dword(offset)) << offset;
        }
    }
}

TEST_F(CtlTest, AValueTheChipDoesNotTakeIsAFailureNamingIt)
{
    // The throttle lock: a limit that would change is refused before anything is written.
    const ConfigSpace locked = With(image, 0x70, 0x0A8A800C);
    EXPECT_EQ(RunEmulated(locked, {"set", "mag=timeslice", "rdthr=none"}), 1);
    EXPECT_TRUE(Has(err, "the throttle lock (thrlock) is set, so rdthr cannot change until the machine is reset"));
    EXPECT_EQ(after, locked);
    EXPECT_EQ(RunEmulated(locked, {"set", "thrlock=off"}), 1);
    EXPECT_EQ(err, "i815ctl: the chip did not take thrlock = off (reads on)\n");
    EXPECT_EQ(RunEmulated(locked, {"set", "rdthr=75%", "mag=timeslice"}), 0) << "an unchanged limit is fine";
}

// AMTT and LPTT hold bits 7-3 only. Any other value is refused by check, set, apply and try
// before anything is written, with a message saying so; the chip's reserved bits read as 0.
TEST_F(CtlTest, TimerValuesBetweenMultiplesOfEightAreRefusedBeforeAnyWrite)
{
    const std::string profile = TestFile("p.conf");
    std::ofstream(profile) << "cas = 3 clocks\nlptt = 0x41\n";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"set", "cas=3 clocks", "amtt=33"}, {"set", "lptt=0x41"}, {"apply", profile}, {"try", "amtt=33"},
             {"try", profile}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(RunEmulated(image, args), 2);
        EXPECT_TRUE(Has(err, "the chip holds multiples of 8 only")) << err;
        EXPECT_TRUE(out.empty()) << out;
        EXPECT_EQ(after, image) << "nothing written";
    }
    EXPECT_EQ(Run({"check", profile}), 2);
    EXPECT_EQ(err, "i815ctl: " + profile +
                       ":2: lptt: \"0x41\" is not a value of AGP Low Priority Transaction Timer: the chip holds "
                       "multiples of 8 only (the nearest are 64 and 72); legal values: multiples of 8 from 0 to 248, "
                       "in decimal or 0x hexadecimal\n");
    std::remove(profile.c_str());

    EXPECT_EQ(RunEmulated(image, {"set", "amtt=0xF8", "lptt=8"}), 0) << err;
    EXPECT_EQ(EmulatedI815(after).Dword(0xBC), 0x000008F8u);
    EXPECT_EQ(RunEmulated(With(image, 0xBC, 0x00002727), {"get", "amtt", "lptt"}), 0);
    EXPECT_EQ(out, "32\n32\n") << "the reserved bits read as 0";
}

// A bad argument is bad input whatever the route: set and get say so before they open the chip.
TEST_F(CtlTest, ArgumentsAreCheckedBeforeTheChipIsOpened)
{
    EXPECT_EQ(Run({"set", "cas=bogus"}), 2);
    EXPECT_EQ(err, "i815ctl: cas: \"bogus\" is not a value of CAS; legal values: 3 (\"3 clocks\"), 2 (\"2 clocks\")\n");
    EXPECT_EQ(Run({"--ports", "get", "bogus"}), 2);
    EXPECT_TRUE(Has(err, "unknown setting \"bogus\"")) << err;
    EXPECT_EQ(Run({"set", "cas=3 clocks"}), 1) << "a good one meets the refused access";
}

// Each command's count of arguments, once its options are out, is checked before the chip is
// opened: here the chip could not be opened at all (status 1), so a status 2 says it never was.
TEST_F(CtlTest, EveryCommandCountsItsArgumentsBeforeTheChipIsOpened)
{
    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"show", "x"}, "show takes no arguments"},
        {{"show", "--json", "x"}, "show takes no arguments"},
        {{"diff", "--json", "a", "b"}, "diff needs one FILE"},
        {{"set", "--force"}, "set needs at least one KEY=VALUE"},
        {{"dump", "a", "b"}, "dump takes at most one FILE"},
        {{"save"}, "save needs one FILE"},
        {{"check", "a", "b"}, "check needs one FILE"},
        {{"apply", "--dry-run"}, "apply needs one FILE"},
        {{"apply", "a", "--boot", "b"}, "apply needs one FILE"},
        {{"apply", "--settle", "--boot"}, "apply --settle takes nothing else"},
        {{"apply", "a", "--settle"}, "apply --settle takes nothing else"},
        {{"try", "--seconds", "5"}, "try needs KEY=VALUE... or a FILE"},
        {{"try", "cas=3", "--seconds"}, "--seconds needs a number"},
        {{"try", "cas=3", "--seconds=0"}, "--seconds needs a number from 1 to 3600"},
        {{"try", "--seconds", "3601", "cas=3"}, "--seconds needs a number from 1 to 3600"},
        {{"try", "--seconds", "1x", "cas=3"}, "--seconds needs a number from 1 to 3600"},
        {{"bench", "--repeat=101"}, "--repeat needs a number from 1 to 100"},
        {{"bench", "--repeat", "2", "x"}, "bench takes no arguments"},
        {{"tune", "--force", "--profile"}, "--profile needs a FILE"},
        {{"tune", "--profile", "--force"}, "--profile needs a FILE"},
        {{"tune", "--profile=-"}, "--profile needs a FILE"},
        {{"tune", "--profile", "a.conf", "b.conf"}, "tune takes no arguments"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.message);
        EXPECT_EQ(Run(b.args), 2);
        EXPECT_EQ(err, "i815ctl: " + std::string(b.message) + "\n");
        EXPECT_TRUE(out.empty());
    }
}

// A command's options may stand anywhere among its arguments; any other argument is the
// command's own to judge.
TEST_F(CtlTest, ACommandsOptionsStandAnywhereAmongItsArguments)
{
    ASSERT_EQ(Run({"--emulated", "get", "cas", "--json", "ras"}), 0) << err;
    EXPECT_EQ(out.rfind("{", 0), 0u) << out;
    EXPECT_TRUE(Has(out, "\"cas\"") && Has(out, "\"ras\"")) << out;

    ASSERT_EQ(RunEmulated(image, {"set", "cas=3", "--force"}), 0) << err;
    EXPECT_EQ(EmulatedI815(after).Dword(0x50) & 0x04000000u, 0u) << "CAS 3 clocks";

    EXPECT_EQ(Run({"--emulated", "get", "--force"}), 2);
    EXPECT_TRUE(Has(err, "unknown setting \"--force\"")) << "another command's option: " << err;
    EXPECT_EQ(Run({"--emulated", "apply", "--bogus"}), 2);
    EXPECT_EQ(err, "i815ctl: apply: unknown option --bogus\n");
}

TEST_F(CtlTest, TheRouteOptionsTakeTheirValuesAsDocumented)
{
    ASSERT_EQ(Run({"--emulated=", "get", "cas"}), 0) << "the built-in chip: " << err;
    EXPECT_EQ(out, "2 clocks\n");

    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"--save-emulated=", "--emulated", "show"}, "--save-emulated needs a FILE"},
        {{"--emulated", "--save-emulated"}, "--save-emulated needs a FILE"},
        {{"--emulated", "--save-emulated=a", "--save-emulated", "b", "show"}, "--save-emulated may be given once"},
        {{"--ports", "--save-emulated", "a", "show"}, "--save-emulated needs --emulated"},
        {{"--emulated", "--emulated=x", "show"}, "only one route may be given (--emulated=x)"},
        {{"--kernel=x", "show"}, "unknown option --kernel=x"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.message);
        EXPECT_EQ(Run(b.args), 2);
        EXPECT_EQ(err, "i815ctl: " + std::string(b.message) + "\nTry 'i815ctl --help' for more information.\n");
    }

    // The ports' notice concerns the commands that reach the chip, and comes before anything else.
    EXPECT_EQ(Run({"--ports", "show", "x"}), 2);
    EXPECT_EQ(err.rfind("i815ctl: --ports bypasses the kernel's ordering", 0), 0u) << err;
    for (const std::vector<std::string>& quiet :
         std::vector<std::vector<std::string>>{{"--ports", "check", "a", "b"}, {"--ports", "bench", "x"}}) {
        EXPECT_EQ(Run(quiet), 2);
        EXPECT_FALSE(Has(err, "bypasses")) << err;
    }
}

TEST_F(CtlTest, TheThrottleLockIsWrittenAfterTheLimits)
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    SetFields(access, ParseAssignments({"thrlock=on", "rdthr=62.5%", "wrthr=62.5%"}));
    EXPECT_EQ(chip.Dword(0x70) & 0x00F80000, 0x00D80000u) << "both limits taken, then locked";
}

// Every settable value of every setting, on random images: the field ends as asked or the
// command says it did not, and no bit outside the field ever changes.
TEST_F(CtlTest, EverySetChangesItsFieldAndNoOtherBitOnRandomImages)
{
    std::mt19937 random(0x1130);
    int taken = 0, refused = 0;
    for (int round = 0; round < 1500; ++round) {
        EmulatedI815 chip;
        for (uint32_t offset : {0x50u, 0x54u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
            chip.SetDword(offset, random());
        const ConfigSpace start = chip.Space();
        const Field& field = *TunableFields()[random() % TunableFields().size()];
        const int count = field.kind == FieldKind::Flag ? 2 : field.kind == FieldKind::Number ? 32 : int(field.texts.size());
        const int state = int(random() % unsigned(count)) * (field.kind == FieldKind::Number ? 8 : 1);
        std::string value = field.kind == FieldKind::Flag ? (state ? "ON" : "off")
                            : field.kind == FieldKind::Number ? (round % 2 ? std::to_string(state) : "0x" + HexByte(uint32_t(state)))
                            : round % 2 ? ValueWord(field, state) : std::string(field.texts[size_t(state)]);
        Mechanism1Access access(chip);
        bool ok = true;
        try {
            SetFields(access, ParseAssignments({FieldKey(field) + "=" + value}));
        } catch (const StatusError& error) {
            ASSERT_EQ(error.status(), ExitFailure) << error.what();
            ok = false;
        }
        (ok ? taken : refused) += 1;
        EmulatedI815 was(start);
        for (uint32_t offset = 0; offset < 256; offset += 4) {
            const uint32_t outside = offset == field.dword ? ~FieldMask(field) : 0xFFFFFFFF;
            ASSERT_EQ(chip.Dword(offset) & outside, was.Dword(offset) & outside)
                << field.name << "=" << value << " round " << round;
        }
        if (ok) {
            const uint32_t asked = EncodeFieldWrite(field, state).bits;
            ASSERT_EQ(FieldValue(field, access.Read(field.dword)), FieldValue(field, asked)) << field.name << "=" << value;
        }
    }
    EXPECT_GT(taken, 1000);
    EXPECT_GT(refused, 20) << "the throttle lock was met";
}

TEST_F(CtlTest, DumpIsWhatTheEmulatedProgramReads)
{
    ASSERT_EQ(Run({"--emulated", "dump"}), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')),
              "00:00.0 Host bridge: Intel Corporation 82815 815 Chipset Host Bridge and Memory Controller Hub (rev 02)");
    EXPECT_EQ(ParseRegisterDump(out, "dump"), image);

    EmulatedI815 i440fx(ConfigSpace{});
    i440fx.SetDword(0x00, 0x12378086);
    i440fx.SetDword(0x08, 0x06000002);
    ASSERT_EQ(RunEmulated(i440fx.Space(), {"dump"}), 0) << "a dump needs no i815";
    EXPECT_EQ(out.substr(0, out.find('\n')), "00:00.0 Host bridge: [8086:1237] (rev 02)");
}

TEST_F(CtlTest, TheKernelRouteReadsAndWritesTheKernelsFile)
{
    WriteKernelFile(image);
    ASSERT_EQ(Run({"--kernel", "get", "cas"}), 0) << err;
    EXPECT_EQ(out, "2 clocks\n");
    ASSERT_EQ(Run({"set", "--force", "cas=3", "bnr=off"}), 0) << "without a route, the kernel's file: " << err;
    EmulatedI815 file(KernelFile());
    EXPECT_EQ(file.Dword(0x50), 0x237C0244u);
    EXPECT_EQ(file.Dword(0x70), 0x0A80800Cu);
    ASSERT_EQ(Run({"dump"}), 0);
    EXPECT_EQ(ParseRegisterDump(out, "dump"), KernelFile());

    // What a user without privilege sees: the first 64 bytes.
    WriteKernelFile(image, 64);
    EXPECT_EQ(Run({"--kernel", "show"}), 1);
    EXPECT_TRUE(Has(err, "only the first 64 bytes")) << err;
    EXPECT_TRUE(out.empty());
}

TEST_F(CtlTest, RefusalsSayWhatIsMissingWithoutASignal)
{
    // No kernel file: refused, and the ports named but not taken.
    EXPECT_EQ(Run({"show"}), 1);
    EXPECT_EQ(err, "i815ctl: The kernel's configuration file " + TestFile("config") +
                       " cannot be opened: No such file or directory; the kernel has no configuration file for "
                       "00:00.0 (is sysfs mounted?); --ports goes past the kernel, whose own cycles then race this "
                       "program's\n");
    EXPECT_EQ(Run({"--ports", "show"}), 1);
    EXPECT_TRUE(Has(err, "0xCF8-0xCFF was refused by the system: Operation not permitted")) << err;
    EXPECT_EQ(Run({"--ports", "set", "cas=3"}), 1);
    const size_t firstLine = err.find('\n') + 1;
    EXPECT_EQ(err.substr(0, firstLine),
              "i815ctl: --ports bypasses the kernel's ordering of configuration cycles: a cycle of the kernel's "
              "between the two port instructions of one of ours gives another device's register\n");
    EXPECT_EQ(err.find("kernel", firstLine), std::string::npos) << "only the route asked for: " << err;

    // A user: the kernel shows the settings to root only; then the helper's socket, no password.
    system.root = false;
    system.helperSocket = TestFile("helper.socket");
    WriteKernelFile(image, 64);
    EXPECT_EQ(Run({"get", "cas"}), 1);
    EXPECT_EQ(err, "i815ctl: The kernel shows only the first 64 bytes of the configuration space to a program "
                   "without privilege; dword 0x50 is beyond them; and the helper's socket: " +
                       TestFile("helper.socket") +
                       " does not exist (its service is not enabled); run i815ctl as root (sudo i815ctl ...), or "
                       "as a member of the group i815quarvel, through the helper's socket " +
                       TestFile("helper.socket") +
                       ", once an administrator has enabled it (systemctl enable --now i815quarvel-helper.socket)\n");
    // A route given names the way itself: the socket is not tried, but named.
    EXPECT_EQ(Run({"--kernel", "show"}), 1);
    EXPECT_TRUE(Has(err, "dword 0x50 is beyond them; run i815ctl as root (sudo i815ctl ...), or without --kernel as a "
                         "member of the group i815quarvel, through the helper's socket " +
                             TestFile("helper.socket")))
        << err;

    // Another host bridge: its IDs, which the kernel shows everyone, say so at once.
    const std::string device = TestFile("0000:00:00.0");
    mkdir(device.c_str(), 0755);
    system.kernelConfigPath = device + "/config";
    WriteSpaceFile(system.kernelConfigPath, With(image, 0x00, 0x12378086), 64);
    std::ofstream(device + "/vendor") << "0x8086\n";
    std::ofstream(device + "/device") << "0x1237\n";
    EXPECT_EQ(Run({"show"}), 2);
    EXPECT_EQ(err, "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130.\n");
    for (const char* name : {"/config", "/vendor", "/device", ""})
        std::remove((device + name).c_str());
    system.kernelConfigPath = TestFile("config");
    system.root = true;

    std::ofstream(TestFile("lockdown")) << "none [integrity] confidentiality\n";
    EXPECT_EQ(Run({"--ports", "show"}), 1);
    EXPECT_TRUE(Has(err, "the kernel is locked down (lockdown=integrity")) << err;

    system.makePorts = [] {
        return std::make_unique<LinuxPortAccess>([](unsigned long, unsigned long, int) {
            errno = ENOSYS;
            return -1;
        });
    };
    EXPECT_EQ(Run({"--ports", "dump"}), 1);
    EXPECT_TRUE(Has(err, "without I/O-port support; use --kernel")) << err;
}

TEST_F(CtlTest, UsageErrorsAndTheHelpAndVersion)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"--emulated"}, {"frobnicate"}, {"--bogus", "show"},
                                               {"--kernel", "--ports", "show"}, {"--save-emulated", "x", "show"},
                                               {"--emulated", "show", "extra"}, {"--emulated", "dump", "x", "y"},
                                               {"--emulated", "set", "--force"}}) {
        EXPECT_EQ(Run(args), 2);
        EXPECT_TRUE(Has(err, "i815ctl: ")) << err;
    }
    EXPECT_EQ(Run({"--emulated=" + TestFile("absent"), "show"}), 2);
    EXPECT_TRUE(Has(err, TestFile("absent") + ": cannot be read")) << err;

    EXPECT_EQ(Run({"--help"}), 0);
    for (const char* part : {"Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]", "\n  show [--json] ",
                             "\n  get [--json] [KEY...]\n", "\n  set [--force] [-v] KEY=VALUE...\n", "\n  dump [FILE] ",
                             "\n  --kernel ", "\n  --ports ", "\n  --emulated[=DUMP] ", "\nExit status: 0 done; 1 a failure"})
        EXPECT_TRUE(Has(out, part)) << part;
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out, "i815ctl (i815 Quarvel) 1.0\n");
}

// A message repeats at most 40 characters of what was given, so that it stays one readable line.
TEST_F(CtlTest, ALongInputIsRepeatedCutShort)
{
    const std::string digits(100000, '7'), forty(40, '7');
    EXPECT_EQ(Run({"--emulated", "set", "cas=" + digits}), 2);
    EXPECT_EQ(err, "i815ctl: cas: \"" + forty + "...\" is not a value of CAS; legal values: 3 (\"3 clocks\"), 2 "
                   "(\"2 clocks\")\n");
    EXPECT_EQ(Run({"--emulated", "get", digits}), 2);
    EXPECT_EQ(err, "i815ctl: unknown setting \"" + forty + "...\"; the settings are: agp4xovr agpsba agpfw agpmode "
                   "amtt lptt clt dpcp mag bnr cpc sm thrlock rdthr wrthr cas ras2cas ras dct sms hacqs tdlle\n");
    EXPECT_EQ(Run({digits}), 2);
    EXPECT_EQ(err, "i815ctl: unknown command \"" + forty + "...\"\nTry 'i815ctl --help' for more information.\n");
    // Characters, not bytes: a sequence of UTF-8 is never parted.
    EXPECT_EQ(Run({"--emulated", "set", "mag=" + std::string(39, 'x') + "\xC2\xB5\xC2\xB5"}), 2);
    EXPECT_TRUE(Has(err, "\"" + std::string(39, 'x') + "\xC2\xB5...\" is not")) << err;

    const std::string line(20000, '7');  // a profile is at most 64 KiB
    std::ofstream(TestFile("saved.txt")) << "# mine\n" << line << "\n" << line << " = on\n";
    EXPECT_EQ(Run({"check", TestFile("saved.txt")}), 2);
    EXPECT_EQ(err, "i815ctl: " + TestFile("saved.txt") + ":2: \"" + forty + "...\" is not KEY = VALUE\ni815ctl: " +
                       TestFile("saved.txt") + ":3: unknown setting \"" + forty + "...\"\n");
}

namespace {

// Columns on a terminal: UTF-8 continuation bytes take none.
size_t Columns(const std::string& line)
{
    return size_t(std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The longest line of a text, in columns.
size_t Widest(const std::string& text)
{
    size_t widest = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        widest = std::max(widest, Columns(line));
    return widest;
}

}  // namespace

TEST_F(CtlTest, ShowAndTheHelpKeepWithinEightyColumns)
{
    ASSERT_EQ(Run({"--help"}), 0);
    EXPECT_LE(Widest(out), 80u) << out;
    EXPECT_GT(Widest(out), 70u) << "and use them";

    // The longest values the chip can give: the SDRAM modes, an illegal AGP mode, 8 bits of timer.
    for (uint32_t sms = 0; sms < 8; ++sms) {
        const ConfigSpace chip = With(With(image, 0x50, 0x077C0244 | sms << 29), 0xA8, 0x1F000307);
        ASSERT_EQ(RunEmulated(chip, {"show"}), 0) << err;
        EXPECT_LE(Widest(out), 80u) << out;
    }
    EXPECT_TRUE(Has(out, "\nagpmode   (illegal value 7)  ")) << out;
    EXPECT_TRUE(Has(out, "\nsms       (!) CBR Enable           [0x50 bits 31-29: 111]\n")) << out;
}

TEST_F(CtlTest, ADashIsStandardOutputForSaveAndDump)
{
    ASSERT_EQ(Run({"--emulated", "save", "-"}), 0) << err;
    const std::string saved = out;
    EXPECT_EQ(saved.rfind("# i815 Quarvel profile: ", 0), 0u);
    EXPECT_TRUE(Has(saved, "\ncas = 2 clocks\n"));
    ASSERT_EQ(Run({"--emulated", "save", TestFile("saved.conf")}), 0);
    std::ifstream file(TestFile("saved.conf"));
    const std::string written((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(written.substr(written.find("\n# `")), saved.substr(saved.find("\n# `"))) << "all but the date";
    std::remove(TestFile("saved.conf").c_str());

    ASSERT_EQ(Run({"--emulated", "dump", "-"}), 0);
    const std::string dumped = out;
    EXPECT_EQ(ParseRegisterDump(dumped, "dump"), image);
    ASSERT_EQ(Run({"--emulated", "dump", TestFile("dump.txt")}), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ReadRegisterDumpFile(TestFile("dump.txt")), image);
    std::remove(TestFile("dump.txt").c_str());

    // --save-emulated - too: the emulated chip's dump after what the command printed, and no
    // file named "-" in the folder where it runs.
    const std::string folder = TestFile("here");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    char before[4096];
    ASSERT_TRUE(getcwd(before, sizeof before));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    const int status = Run({"--emulated=" + TestFile("start.txt"), "--save-emulated", "-", "get", "bnr"});
    const std::string got = out;
    const bool dashMade = access("-", F_OK) == 0;
    EXPECT_EQ(Run({"--emulated", "--save-emulated=-", "set", "bnr=off"}), 0);
    const std::string changed = out;
    std::remove("-");
    ASSERT_EQ(chdir(before), 0);
    rmdir(folder.c_str());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(got, "on\n" + FormatRegisterDump(image));
    EXPECT_FALSE(dashMade);
    EXPECT_EQ(changed.substr(0, changed.find('\n')),
              "00:00.0 Host bridge: Intel Corporation 82815 815 Chipset Host Bridge and Memory Controller Hub "
              "(emulated by i815 Quarvel)");
    EXPECT_EQ(EmulatedI815(ParseRegisterDump(changed, "-")).Dword(0x70), 0x0A80800Cu) << "BNR, bit 17, off";
}

// Where the system has no folder for the hang journal (Windows), tune keeps it beside its
// profile, where the boot-time apply of that profile reads it.
TEST_F(CtlTest, WithoutTheSystemsFolderTunesJournalLiesBesideItsProfile)
{
    system.stateDir.clear();
    WriteKernelFile(image);
    EXPECT_EQ(Run({"--kernel", "tune", "--force"}), 2);
    EXPECT_EQ(err, "i815ctl: nothing written: here tune keeps its hang journal beside the profile, where the "
                   "boot-time apply looks for it; give --profile FILE\n");

    const std::string folder = TestFile("tune_beside"), journal = folder + "/tune-journal";
    mkdir(folder.c_str(), 0755);
    std::ofstream(journal) << "hangs cas=2 since 2026-12-09 14:20:00\n";
    EXPECT_EQ(Run({"--kernel", "tune", "--force", "--memory", "1", "--profile", folder + "/tuned.conf"}), 1);
    EXPECT_EQ(err, "i815ctl: nothing written: the chip holds cas=2, which hung this machine during tune; set "
                   "cas=3, or reset the machine first\n");
    EXPECT_EQ(KernelFile(), image);
    EXPECT_NE(access((folder + "/tuned.conf").c_str(), F_OK), 0);
    for (const std::string& file : {journal, journal + ".lock"})
        std::remove(file.c_str());
    rmdir(folder.c_str());
}
