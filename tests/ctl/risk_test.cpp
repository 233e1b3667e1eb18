// What can stop the machine: the warnings of the window's hints on every way a value reaches
// the chip, and set's refusal of such a value without --force.
#include "ctl_program.h"
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class RiskTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"start.txt", "saved.txt", "p.conf"})
            std::remove(TestFile(name).c_str());
    }
    // On the emulated chip from `image`; `after` is what it holds at the end.
    int Run(std::vector<std::string> args, const ConfigSpace& image = EmulatedI815::DefaultImage())
    {
        WriteRegisterDumpFile(TestFile("start.txt"), image);
        args.insert(args.begin(), {"--emulated=" + TestFile("start.txt"), "--save-emulated", TestFile("saved.txt")});
        std::ostringstream o, e;
        const int status = RunCtl(args, CtlSystem{}, o, e);
        out = o.str();
        err = e.str();
        after = ReadRegisterDumpFile(TestFile("saved.txt"));
        return status;
    }
    std::string Profile(const std::string& text)
    {
        std::ofstream(TestFile("p.conf")) << text;
        return TestFile("p.conf");
    }

    std::string out, err;
    ConfigSpace after{};
    const ConfigSpace image = EmulatedI815::DefaultImage();
};

const char FastWrites[] = "agpfw = on: the i815 does not support fast writes: the machine will hang";
const char CasChange[] = "cas = 3 clocks: changing the CAS latency may hang the machine";
const char RasChange[] = "ras = 3 clocks: changing the RAS precharge time may hang the machine";
const char RefreshOff[] = "sms = (!) DRAM in Self-Refresh Mode, Refresh Disabled: self-refresh with the refresh "
                          "disabled: the memory stops answering and the machine hangs";

}  // namespace

TEST_F(RiskTest, SetRefusesAValueWithAWarningWithoutForceAndPointsToTry)
{
    EXPECT_EQ(Run({"set", "mag=timeslice", "agpfw=on", "cas=3", "sms=self-refresh"}), 2);
    EXPECT_EQ(err, std::string("i815ctl: warning: ") + FastWrites + "\ni815ctl: warning: " + CasChange +
                       "\ni815ctl: warning: " + RefreshOff +
                       "\ni815ctl: nothing written: set gives the chip a value with a warning only with --force; "
                       "the safe way to find out is i815ctl --emulated=" + TestFile("start.txt") +
                       " --save-emulated " + TestFile("saved.txt") +
                       " try agpfw=on cas=3 sms=self-refresh, which puts the old values back unless you type yes\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(after, image) << "not even mag, which has no warning";

    EXPECT_EQ(Run({"set", "--force", "ras=3", "agpfw=on", "cas=3"}), 0);
    EXPECT_EQ(err, std::string("i815ctl: warning: ") + RasChange + "\ni815ctl: warning: " + FastWrites +
                       "\ni815ctl: warning: " + CasChange + "\n");
    EXPECT_EQ(EmulatedI815(after).Dword(0x50), 0x227C0244u);
    EXPECT_EQ(EmulatedI815(after).Dword(0xA8), 0x1F000314u);
}

// The try that set suggests goes to the same chip: a user trying values on a dump copies the line
// and must not reach the real chip with it. A word the shell would split or read is quoted.
TEST_F(RiskTest, TheSuggestedTryGoesTheSameRoute)
{
    const std::string dump = TestFile("it's mine.txt");
    WriteRegisterDumpFile(dump, EmulatedI815::DefaultImage());
    std::ostringstream o, e;
    EXPECT_EQ(RunCtl({"--emulated=" + dump, "set", "cas=3 clocks"}, CtlSystem{}, o, e), 2);
    const std::string quoted = "'--emulated=" + dump.substr(0, dump.find('\'')) + "'\\''s mine.txt'";
    EXPECT_NE(e.str().find("the safe way to find out is i815ctl " + quoted + " try cas=3, which puts"),
              std::string::npos)
        << e.str();
    std::remove(dump.c_str());
}

TEST_F(RiskTest, TheThrottleLockNeedsForceAndTryIsNoWayForIt)
{
    EXPECT_EQ(Run({"set", "thrlock=on"}), 2);
    EXPECT_EQ(err, "i815ctl: warning: thrlock = on: once set, only a reset clears the throttle lock, and the "
                   "throttle limits stay as they are until then\n"
                   "i815ctl: nothing written: set gives the chip a value with a warning only with --force\n");
    EXPECT_EQ(after, image);
    EXPECT_EQ(Run({"set", "thrlock=on", "--force"}), 0);
    EXPECT_EQ(EmulatedI815(after).Dword(0x70), 0x0A8A800Cu);
}

// A value the chip holds already is written by nobody, so it needs no --force and no warning;
// CAS and the transmit DLL warn of a change in either direction.
TEST_F(RiskTest, OnlyAChangeThatWouldBeWrittenWarns)
{
    EXPECT_EQ(Run({"set", "cas=2", "tdlle=off", "agpfw=off", "sms=15.6us"}), 0);
    EXPECT_EQ(err, "");
    EmulatedI815 fastWrites;
    fastWrites.SetDword(0xA8, 0x1F000314);
    fastWrites.SetDword(0x9C, 0x00008000);
    EXPECT_EQ(Run({"set", "agpfw=on", "agpfw=off"}), 2) << "given twice";
    EXPECT_EQ(Run({"set", "agpfw=on"}, fastWrites.Space()), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(Run({"set", "tdlle=off"}, fastWrites.Space()), 2);
    EXPECT_EQ(err, "i815ctl: warning: tdlle = off: toggling the transmit DLL will most likely hang the machine\n"
                   "i815ctl: nothing written: set gives the chip a value with a warning only with --force; the "
                   "safe way to find out is i815ctl --emulated=" + TestFile("start.txt") + " --save-emulated " +
                       TestFile("saved.txt") + " try tdlle=off, which puts the old values back unless you type yes\n");
}

// A profile is a deliberate file: check names each line whose value has a warning of its own and
// the settings whose change has one, apply says the warning of each such change it makes, and
// makes it.
TEST_F(RiskTest, CheckAndApplyWarnOfEachSuchLineAndApplyIt)
{
    const std::string profile = Profile("# tuned\nras = 3\nagpfw = on\ncas = 3 clocks\nsms = 7.8us\n");
    std::ostringstream o, e;
    EXPECT_EQ(RunCtl({"check", profile}, CtlSystem{}, o, e), 0);
    EXPECT_EQ(o.str(), profile + ": 4 settings, no problems, 1 warning; apply warns if it changes ras or cas\n");
    EXPECT_EQ(e.str(), "i815ctl: " + profile + ":3: warning: " + FastWrites + "\n");

    EXPECT_EQ(Run({"apply", "--dry-run", profile}), 0);
    EXPECT_EQ(out, "would change ras: 2 clocks -> 3 clocks\nwould change agpfw: off -> on\n"
                   "would change cas: 2 clocks -> 3 clocks\nwould change sms: Refresh interval: 100 Mhz - 15.6 "
                   "\xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s -> Refresh interval: 100 Mhz - 7.8 \xC2\xB5s 133 Mhz - 5.85 "
                   "\xC2\xB5s\n");
    EXPECT_EQ(after, image);

    EXPECT_EQ(Run({"apply", profile}), 0);
    EXPECT_EQ(err, "i815ctl: " + profile + ":2: warning: " + RasChange + "\ni815ctl: " + profile + ":3: warning: " +
                       FastWrites + "\ni815ctl: " + profile + ":4: warning: " + CasChange + "\n");
    EXPECT_EQ(EmulatedI815(after).Dword(0x50), 0x427C0244u);
    EXPECT_EQ(EmulatedI815(after).Dword(0xA8), 0x1F000314u);

    // Applied again: nothing changes, nothing to warn of.
    EXPECT_EQ(Run({"apply", profile}, after), 0);
    EXPECT_EQ(out, "nothing to change\n");
    EXPECT_EQ(err, "");
}

// The AGP rate (the window's hint: the video driver should set it) and the SDRAM timings beside
// CAS: any change of them needs --force, and save writes each one's warning above it. A profile
// that save wrote checks without a warning line, naming them in its summary; applied to the chip
// that it came from, it changes nothing and warns of nothing.
TEST_F(RiskTest, AChangeOfTheAgpRateOrOfAnSdramTimingHasAWarning)
{
    for (const char* change : {"agpmode=2x", "ras2cas=3", "ras=3", "dct=7,9"}) {
        EXPECT_EQ(Run({"set", change}), 2) << change;
        EXPECT_EQ(after, image) << change;
    }
    EXPECT_EQ(Run({"set", "ras2cas=3"}), 2);
    EXPECT_EQ(err, "i815ctl: warning: ras2cas = 3 clocks: changing the RAS to CAS delay may hang the machine\n"
                   "i815ctl: nothing written: set gives the chip a value with a warning only with --force; the "
                   "safe way to find out is i815ctl --emulated=" + TestFile("start.txt") + " --save-emulated " +
                       TestFile("saved.txt") + " try ras2cas=3, which puts the old values back unless you type yes\n");
    EXPECT_EQ(Run({"set", "agpmode=4x", "ras2cas=2", "ras=2", "dct=5,7"}), 0) << "what the chip holds";
    EXPECT_EQ(err, "");

    const std::string profile = TestFile("p.conf");
    ASSERT_EQ(Run({"save", profile}), 0) << err;
    std::ifstream file(profile);
    const std::string saved{std::istreambuf_iterator<char>(file), {}};
    for (const char* part : {"\n# Warning: the video driver should set the AGP data rate: a rate that the card is not "
                             "set for may hang the machine\nagpmode = AGP 4X\n",
                             "\n# Warning: changing the DRAM cycle time may hang the machine\ndct = 5,7\n"})
        EXPECT_NE(saved.find(part), std::string::npos) << part;

    std::ostringstream o, e;
    EXPECT_EQ(RunCtl({"check", profile}, CtlSystem{}, o, e), 0);
    EXPECT_EQ(o.str(), profile + ": 22 settings, no problems; apply warns if it changes agpmode, cas, ras2cas, ras, "
                                 "dct or tdlle\n");
    EXPECT_EQ(e.str(), "");
    EXPECT_EQ(Run({"apply", profile}), 0);
    EXPECT_EQ(out, "nothing to change\n");
    EXPECT_EQ(err, "");
}
