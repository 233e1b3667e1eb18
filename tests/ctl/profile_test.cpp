// Profiles: the reader against bad files, save and apply on random chips, the throttle lock's
// order, and the guard of the boot-time apply.
#include "boot_guard.h"
#include "exit_status.h"
#include "ctl_program.h"
#include "emulated_i815.h"
#include "field_map.h"
#include "field_values.h"
#include "files.h"
#include "mechanism1_access.h"
#include "profile.h"
#include "profile_commands.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {


void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Ctl(std::vector<std::string> args, CtlSystem system = {})
{
    std::ostringstream out, err;
    const int status = RunCtl(args, system, out, err);
    return {status, out.str(), err.str()};
}

size_t ConfigWrites(const std::vector<PortOperation>& trace)
{
    size_t writes = 0;
    for (const PortOperation& op : trace)
        writes += op.direction == PortOperation::Out && op.port == 0xCFC;
    return writes;
}

// A chip as real ones are: the read-only bits of the timers clear, the SMRAM byte as found.
ConfigSpace RandomImage(std::mt19937& random)
{
    EmulatedI815 chip;
    for (uint32_t offset : {0x50u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
        chip.SetDword(offset, random());
    chip.SetDword(0xBC, chip.Dword(0xBC) & ~0x0707u);
    return chip.Space();
}

}  // namespace

TEST(ProfileReader, EveryKindOfBadFileIsRefusedNamingTheLineAndNothingIsWritten)
{
    const struct {
        std::string text;
        const char* problem;
    } bad[] = {
        {"cas = 2 clocks\nbogus = 1\n", ":2: unknown setting \"bogus\""},
        {"\n# fine\ncas = 2 clocks\nras = 2 clocks\n CAS = 3 clocks\n", ":5: cas is given twice (first on line 3)"},
        {"agpfw = maybe\n", ":1: agpfw: \"maybe\" is not a value of AGP FastWrites; legal values: on, off"},
        {"agpmode = AGP 3X\n", ":1: agpmode: \"AGP 3X\" is not a value"},
        {"amtt = 300\n", ":1: amtt: \"300\""},
        {"cas 2 clocks\n", ":1: \"cas 2 clocks\" is not KEY = VALUE"},
        {std::string("cas = 2 clocks\nras = 2\0 clocks\n", 25), ":2: not text (byte 0x00)"},
        {"# caf\xE9\n", ":1: not text (byte 0xE9)"},
        {"cas = 2 clocks\r\nras = 3 clocks\x1B\r\n", ":2: not text (byte 0x1B)"},
        {std::string(70000, '#'), ": larger than 64 KiB"},
    };
    const std::string profile = TestFile("bad.conf"), saved = TestFile("saved.txt");
    for (const auto& b : bad) {
        SCOPED_TRACE(b.problem);
        WriteText(profile, b.text);
        for (const char* command : {"check", "apply"}) {
            const Outcome run = Ctl({"--emulated", "--save-emulated", saved, command, profile});
            EXPECT_EQ(run.status, 2);
            EXPECT_TRUE(Has(run.err, "i815ctl: " + profile + b.problem)) << run.err;
            EXPECT_EQ(ReadRegisterDumpFile(saved), EmulatedI815::DefaultImage());
        }
    }
    // Several problems: each on a line of its own.
    WriteText(profile, "foo = 1\ncas = 7\n");
    const Outcome run = Ctl({"check", profile});
    EXPECT_EQ(run.err, "i815ctl: " + profile + ":1: unknown setting \"foo\"\ni815ctl: " + profile +
                           ":2: cas: \"7\" is not a value of CAS; legal values: 3 (\"3 clocks\"), 2 (\"2 clocks\")\n");
    EXPECT_EQ(Ctl({"check", TestFile("absent.conf")}).status, 2);
    EXPECT_EQ(Ctl({"check", ::testing::TempDir()}).err,
              "i815ctl: " + ::testing::TempDir() + ": neither a regular file nor a pipe\n");

    // Blank lines, comments, blanks and case, any subset of the keys.
    WriteText(profile, "\n  # a comment\nCAS=3 CLOCKS   # slower, safer\n\tamtt =0x40\r\n");
    const Outcome good = Ctl({"check", profile});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, profile + ": 2 settings, no problems; apply warns if it changes cas\n");
    EXPECT_EQ(good.err, "");
    std::remove(profile.c_str());
    std::remove(saved.c_str());
}

TEST(Profiles, SaveThenApplyOnAnotherChipGivesItEverySavedSettingAndNothingElse)
{
    std::mt19937 random(0x0815);
    int illegalModes = 0;
    for (int round = 0; round < 1000; ++round) {
        EmulatedI815 source(RandomImage(random)), target(RandomImage(random));
        target.SetDword(0x70, target.Dword(0x70) & ~(1u << 19));  // no throttle lock in the way
        target.KeepTrace();
        Mechanism1Access sourceAccess(source), targetAccess(target);
        const std::string text = FormatProfile(sourceAccess, "2026-12-08 12:00");
        const Profile profile = ParseProfile(text, "saved");
        illegalModes += profile.settings.size() == 21;
        ASSERT_GE(profile.settings.size(), 21u);

        const ConfigSpace before = target.Space();
        std::ostringstream log;
        ApplyProfile(targetAccess, profile, false, log);
        for (const Field* field : TunableFields()) {
            const bool saved = HasValueName(*field, source.Dword(field->dword));
            const uint32_t expected = saved ? source.Dword(field->dword) : EmulatedI815(before).Dword(field->dword);
            ASSERT_EQ(FieldValue(*field, target.Dword(field->dword)), FieldValue(*field, expected))
                << field->name << " round " << round;
        }
        for (uint32_t offset = 0; offset < 256; offset += 4) {
            const uint32_t outside = ~TunableBits(offset);
            ASSERT_EQ(target.Dword(offset) & outside, EmulatedI815(before).Dword(offset) & outside) << offset;
        }

        target.ClearTrace();
        std::ostringstream again;
        ApplyProfile(targetAccess, profile, false, again);
        ASSERT_EQ(ConfigWrites(target.Trace()), 0u) << "a second apply writes nothing";
        ASSERT_EQ(again.str(), "nothing to change\n");
    }
    EXPECT_GT(illegalModes, 300) << "illegal AGP modes were met, and left out";
}

TEST(Profiles, SaveWritesAWholeFileForEveryoneToRead)
{
    const std::string path = TestFile("saved.conf");
    WriteText(path, "old contents\n");
    const mode_t old = umask(077);
    const Outcome run = Ctl({"--emulated", "save", path});
    umask(old);
    ASSERT_EQ(run.status, 0) << run.err;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_NE(access((path + ".tmp-i815ctl").c_str(), F_OK), 0) << "no temporary file left";
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string saved = text.str();
    EXPECT_EQ(saved.rfind("# i815 Quarvel profile: the settings of an i815 host bridge, revision 2,\n# saved by i815ctl 1.0 on ", 0), 0u);
    EXPECT_TRUE(Has(saved, "\n# CAS: 3 (\"3 clocks\"), 2 (\"2 clocks\")\n"
                           "# Warning: changing the CAS latency may hang the machine\ncas = 2 clocks\n"));
    EXPECT_TRUE(Has(saved, "\n# Transmit DLL Disable & Bypass: on, off\n"
                           "# Warning: toggling the transmit DLL will most likely hang the machine\ntdlle = off\n"));
    EXPECT_TRUE(Has(saved, "\n# AGP FastWrites: on, off\n"
                           "# Warning for on: the i815 does not support fast writes: the machine will hang\n"
                           "agpfw = off\n"));
    EXPECT_TRUE(Has(saved, "\n# Warning for self-refresh: self-refresh with the refresh disabled: the memory stops "
                           "answering and the machine hangs\n"
                           "# Warning for nop, precharge, mode-register, cbr: an SDRAM mode meant for power-up "
                           "initialisation, not for a running machine: it may hang the machine\n"
                           "sms = Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s\n"));
    EXPECT_TRUE(Has(saved, "\nrdthr = Limit at 75 % (600MB/s)\n")) << "single blanks";
    EXPECT_TRUE(Has(saved, "\n# AGP Multi-Transaction Timer: multiples of 8 from 0 to 248, in decimal or 0x hexadecimal\n"
                           "amtt = 32\n"));

    EmulatedI815 illegal;
    illegal.SetDword(0xA8, 0x1F000306);
    WriteRegisterDumpFile(TestFile("illegal.txt"), illegal.Space());
    ASSERT_EQ(Ctl({"--emulated=" + TestFile("illegal.txt"), "save", path}).status, 0);
    std::ifstream again(path);
    std::stringstream second;
    second << again.rdbuf();
    EXPECT_TRUE(Has(second.str(), "\n# agpmode is not saved: the chip holds the value 6, which has no name\n"));
    EXPECT_FALSE(Has(second.str(), "\nagpmode ="));

    const Outcome nowhere = Ctl({"--emulated", "save", TestFile("no/such/folder.conf")});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(Has(nowhere.err, "cannot be written: No such file or directory")) << nowhere.err;
    std::remove(path.c_str());
    std::remove(TestFile("illegal.txt").c_str());
}

// What save wrote before values had single blanks and lists had words: every value is read as
// the same setting, so that applying it to the chip it was saved from changes nothing.
TEST(Profiles, EveryProfileThatSaveHasWrittenIsReadAsBefore)
{
    const std::string older =
        "# i815 Quarvel profile: the settings of an i815 host bridge, revision 2,\n"
        "# saved by i815ctl 1.0 on 2026-12-08 12:00:00.\n"
        "\n# Read Power Throttle Control: \"No limit               (800MB/s)\" (0), \"Limit at 87.5 %  (700MB/s)\" "
        "(1), \"Limit at 75 %     (600MB/s)\" (2), \"Limit at 62.5%   (500MB/s)\" (3)\n"
        "agp4xovr = off\nagpsba = on\nagpfw = off\nagpmode = AGP 4X\namtt = 32\nlptt = 32\nclt = on\n"
        "dpcp = One Bank\nmag = Fixed mode\nbnr = on\ncpc = on\nsm = off\nthrlock = off\n"
        "rdthr = Limit at 75 %     (600MB/s)\nwrthr = No limit               (800MB/s)\ncas = 2 clocks\n"
        "ras2cas = 2 clocks\nras = 2 clocks\ndct = 5,7\n"
        "sms = Refresh interval:  100 Mhz - 15.6 \xC2\xB5s      133 Mhz - 11.7 \xC2\xB5s\nhacqs = off\ntdlle = off\n";
    const Profile profile = ParseProfile(older, "older");
    ASSERT_EQ(profile.settings.size(), 22u);
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    std::ostringstream log;
    ApplyProfile(access, profile, false, log);
    EXPECT_EQ(log.str(), "nothing to change\n");

    // Every item of every list, as older versions wrote it, with its padding.
    for (const Field* field : TunableFields())
        for (size_t position = 0; field->kind == FieldKind::Choice && position < field->texts.size(); ++position) {
            const Profile one = ParseProfile(FieldKey(*field) + " = " + field->texts[position] + "\n", "older");
            EXPECT_EQ(one.settings.at(0).state, int(position)) << field->name << " " << position;
        }
}

TEST(Profiles, ADashIsStandardInputForCheckAndApply)
{
    const std::string saved = TestFile("saved.txt");
    std::istringstream in("ras = 3\nbogus = 1\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunCtl({"check", "-"}, CtlSystem{}, in, out, err), 2);
    EXPECT_EQ(err.str(), "i815ctl: (standard input):2: unknown setting \"bogus\"\n");

    std::istringstream good("ras = 3\n# the rest as the BIOS sets it\n");
    std::ostringstream applied, none;
    EXPECT_EQ(RunCtl({"--emulated", "--save-emulated", saved, "apply", "-"}, CtlSystem{}, good, applied, none), 0);
    EXPECT_EQ(applied.str(), "ras: 2 clocks -> 3 clocks\n");
    EXPECT_EQ(EmulatedI815(ReadRegisterDumpFile(saved)).Dword(0x50), 0x267C0244u);
    std::remove(saved.c_str());

    // try asks its question on standard input: its profile must be a file.
    std::istringstream ignored("ras = 3\n");
    std::ostringstream tried, refused;
    EXPECT_EQ(RunCtl({"--emulated", "try", "-"}, CtlSystem{}, ignored, tried, refused), 2);
    EXPECT_EQ(refused.str(), "i815ctl: try reads its answer from standard input, so it takes its profile from a FILE, "
                             "not from -\n");
}

TEST(Profiles, TheThrottleLockComesAfterTheLimitsAndALockedChipIsRefusedBeforeAnyWrite)
{
    EmulatedI815 chip;
    chip.KeepTrace();
    Mechanism1Access access(chip);
    std::ostringstream log;
    ApplyProfile(access, ParseProfile("thrlock = on\nrdthr = 62.5%\nwrthr = 50%\ncas = 3 clocks\n", "p"), false, log);
    EXPECT_EQ(log.str(), "rdthr: Limit at 75 % (600MB/s) -> Limit at 62.5% (500MB/s)\n"
                         "wrthr: No limit (800MB/s) -> Limit at 50% (400MB/s)\n"
                         "cas: 2 clocks -> 3 clocks\n"
                         "thrlock: off -> on\n");
    EXPECT_EQ(chip.Dword(0x70) & 0x00F80000, 0x00E80000u);

    chip.ClearTrace();
    const ConfigSpace locked = chip.Space();
    try {
        ApplyProfile(access, ParseProfile("cas = 2 clocks\nwrthr = none\n", "p"), false, log);
        ADD_FAILURE() << "a locked limit was accepted";
    } catch (const StatusError& error) {
        EXPECT_EQ(error.status(), ExitFailure);
        EXPECT_TRUE(Has(error.what(), "the throttle lock (thrlock) is set, so wrthr cannot change")) << error.what();
    }
    EXPECT_EQ(ConfigWrites(chip.Trace()), 0u);
    EXPECT_EQ(chip.Space(), locked);
}

TEST(Profiles, DryRunSaysWhatWouldChangeAndWritesNothing)
{
    const std::string profile = TestFile("p.conf"), saved = TestFile("saved.txt");
    WriteText(profile, "cas = 3 clocks\nagpsba = on\nlptt = 64\n");
    const Outcome run = Ctl({"--emulated", "--save-emulated", saved, "apply", "--dry-run", profile});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "would change cas: 2 clocks -> 3 clocks\nwould change lptt: 32 -> 64\n") << "in the file's order";
    EXPECT_EQ(ReadRegisterDumpFile(saved), EmulatedI815::DefaultImage());
    const Outcome real = Ctl({"--emulated", "--save-emulated", saved, "apply", profile});
    EXPECT_EQ(real.out, "cas: 2 clocks -> 3 clocks\nlptt: 32 -> 64\n");
    EXPECT_EQ(EmulatedI815(ReadRegisterDumpFile(saved)).Dword(0xBC), 0x00004020u);
    std::remove(profile.c_str());
    std::remove(saved.c_str());
}

// The boot-time apply and its guard as the two units run them, on a stand-in for the kernel's
// file: the apply leaves its marker and returns, the guard takes it away afterwards; a marker
// of an earlier boot stops the apply.
struct GuardedBoot {
    CtlSystem system;
    std::string profile = TestFile("p.conf"), config = TestFile("config");
    std::string marker;

    GuardedBoot()
    {
        system.stateDir = TestFile("state");
        system.settleSeconds = 0;
        system.bootIdPath = TestFile("boot_id");
        system.kernelConfigPath = config;
        system.lockPath = TestLock();
        system.root = true;
        marker = system.stateDir + "/apply-in-progress";
        Boot("3f1c0b8e-first-boot");
        WriteText(profile, "ras = 3 clocks\n");
        chmod(profile.c_str(), 0644);  // root's alone, whatever the umask: the boot takes it
        WriteSpaceFile(config, EmulatedI815::DefaultImage());
    }
    ~GuardedBoot()
    {
        std::remove(marker.c_str());
        std::remove((marker + ".lock").c_str());
        rmdir(system.stateDir.c_str());
        for (const std::string& file : {profile, config, system.bootIdPath})
            std::remove(file.c_str());
    }
    void Boot(const std::string& id) { WriteText(system.bootIdPath, id + "\n"); }
    Outcome Apply() { return Ctl({"apply", "--boot", profile}, system); }
    Outcome Settle() { return Ctl({"apply", "--settle"}, system); }
    ConfigSpace Chip() const { return ReadSpaceFile(config); }
    std::string Marker() const
    {
        std::ifstream in(marker);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Another host bridge: the apply is refused before its first write.
    void AnotherBridge()
    {
        EmulatedI815 other;
        other.SetDword(0x00, 0x12378086);
        WriteSpaceFile(config, other.Space());
    }
};

TEST(BootGuard, TheApplyLeavesItsMarkerAndReturnsTheGuardTakesItAway)
{
    GuardedBoot boot;
    Outcome run = boot.Apply();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ras: 2 clocks -> 3 clocks\n");
    const std::string marker = boot.Marker();
    EXPECT_EQ(marker.rfind("apply of " + boot.profile + " started ", 0), 0u) << marker;
    EXPECT_TRUE(Has(marker, "\nboot 3f1c0b8e-first-boot after ")) << marker;

    run = boot.Settle();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind(boot.marker + " removed: the machine kept running 0 seconds after the apply of " +
                                boot.profile + " started ",
                            0),
              0u)
        << run.out;
    EXPECT_NE(access(boot.marker.c_str(), F_OK), 0);

    // Nothing to do without a marker; an apply refused before its first write leaves none.
    run = boot.Settle();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    boot.AnotherBridge();
    EXPECT_EQ(boot.Apply().status, 2);
    EXPECT_NE(access(boot.marker.c_str(), F_OK), 0);

    EXPECT_EQ(Ctl({"apply", "--settle", boot.profile}, boot.system).status, 2);
    EXPECT_EQ(Ctl({"apply", "--settle", "--boot"}, boot.system).status, 2);
}

TEST(BootGuard, AMarkerOfAnEarlierBootStopsTheApplyAndStaysUntilSomeoneClearsIt)
{
    GuardedBoot boot;
    for (const std::string& left : {"apply of " + boot.profile + " started 2026-12-08 06:00:00\n" +
                                        "boot 3f1c0b8e-first-boot after 4.20 s\n",
                                    // as older versions wrote it
                                    "apply of " + boot.profile + " started 2026-12-08 06:00:00\n"}) {
        boot.Apply();
        WriteText(boot.marker, left);  // the machine hung; it is booted again, the BIOS's settings back
        boot.Boot("77a2d4c1-second-boot");
        WriteSpaceFile(boot.config, EmulatedI815::DefaultImage());
        const Outcome run = boot.Apply();
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.err, "not applied: the boot-time apply before (apply of " + boot.profile +
                                     " started 2026-12-08 06:00:00) did not see the machine through 0 seconds"))
            << run.err;
        EXPECT_TRUE(Has(run.err, "sudo rm " + boot.marker + "\n")) << run.err;
        EXPECT_EQ(boot.Chip(), EmulatedI815::DefaultImage()) << "the chip as the BIOS set it";

        // The guard started beside the refused apply leaves that marker alone.
        EXPECT_EQ(boot.Settle().out, "");
        EXPECT_EQ(boot.Marker(), left);
        std::remove(boot.marker.c_str());
        boot.Boot("3f1c0b8e-first-boot");
    }
}

TEST(BootGuard, AnApplyAgainInTheSameBootRenewsTheMarker)
{
    GuardedBoot boot;
    boot.system.settleSeconds = 60;
    ASSERT_EQ(boot.Apply().status, 0);

    // After a resume within the guard's minute, the BIOS's settings back: applied again.
    WriteSpaceFile(boot.config, EmulatedI815::DefaultImage());
    const Outcome run = boot.Apply();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ras: 2 clocks -> 3 clocks\n");
    EXPECT_TRUE(Has(boot.Marker(), "\nboot 3f1c0b8e-first-boot after ")) << boot.Marker();

    // A renewed marker outlives a refusal before the first write: the apply before it still counts.
    boot.AnotherBridge();
    EXPECT_EQ(boot.Apply().status, 2);
    EXPECT_EQ(access(boot.marker.c_str(), F_OK), 0);
}

// At boot root applies the profile unattended: a file that another user wrote, or may write,
// is refused before anything happens; the same file is taken when a user applies it by hand.
TEST(BootGuard, AProfileThatIsNotRootsAloneIsRefusedAtBoot)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file away needs root";
    GuardedBoot boot;
    ASSERT_EQ(chown(boot.profile.c_str(), 12345, 12345), 0);
    Outcome run = boot.Apply();
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "i815ctl: " + boot.profile + ": not taken: it belongs to user 12345, not to root\n");
    EXPECT_NE(access(boot.marker.c_str(), F_OK), 0) << "no marker: nothing began";

    ASSERT_EQ(chown(boot.profile.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(boot.profile.c_str(), 0664), 0);
    run = boot.Apply();
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "i815ctl: " + boot.profile + ": not taken: its group or others may write it (mode 0664); "
                                                    "chmod go-w it\n");
    EXPECT_EQ(boot.Chip(), EmulatedI815::DefaultImage());

    run = Ctl({"apply", boot.profile}, boot.system);
    EXPECT_EQ(run.status, 0) << "by hand: " << run.err;
    ASSERT_EQ(chmod(boot.profile.c_str(), 0644), 0);
    WriteSpaceFile(boot.config, EmulatedI815::DefaultImage());
    run = boot.Apply();
    EXPECT_EQ(run.status, 0) << run.err;
}

// An emulated chip is no machine that boots: its apply --boot and --settle keep their marker
// beside the dump, and never make, read or clear the system's.
TEST(BootGuard, TheEmulatedChipKeepsItsMarkerBesideItsDumpAndLeavesTheSystemsAlone)
{
    GuardedBoot boot;
    const std::string dump = TestFile("chip.txt"), beside = dump + ".apply-in-progress";
    WriteRegisterDumpFile(dump, EmulatedI815::DefaultImage());
    const char systemMarker[] = "/var/lib/i815quarvel/apply-in-progress";
    struct stat before {};
    const bool systemFolder = stat("/var/lib/i815quarvel", &before) == 0;
    const bool markerBefore = access(systemMarker, F_OK) == 0;

    const Outcome applied = Ctl({"--emulated=" + dump, "--save-emulated", dump, "apply", "--boot", boot.profile}, boot.system);
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.out, "ras: 2 clocks -> 3 clocks\n");
    std::ifstream marker(beside);
    std::string first;
    std::getline(marker, first);
    EXPECT_EQ(first.rfind("apply of " + boot.profile + " started ", 0), 0u) << first;
    EXPECT_NE(access(boot.system.stateDir.c_str(), F_OK), 0) << "the system's folder is not even made";

    // The system's marker of an earlier boot stops the real apply, not the emulated one.
    mkdir(boot.system.stateDir.c_str(), 0755);
    WriteText(boot.marker, "apply of /etc/i815quarvel.conf started 2026-12-08 06:00:00\nboot old after 1.00 s\n");
    EXPECT_EQ(Ctl({"--emulated=" + dump, "apply", "--boot", boot.profile}, boot.system).status, 0);
    const Outcome settled = Ctl({"--emulated=" + dump, "apply", "--settle"}, boot.system);
    EXPECT_EQ(settled.status, 0) << settled.err;
    EXPECT_EQ(settled.out.rfind(beside + " removed: ", 0), 0u) << settled.out;
    EXPECT_NE(access(beside.c_str(), F_OK), 0);
    EXPECT_EQ(boot.Marker(), "apply of /etc/i815quarvel.conf started 2026-12-08 06:00:00\nboot old after 1.00 s\n")
        << "the system's marker as it was";

    // The built-in chip lasts no longer than the program: no marker anywhere.
    EXPECT_EQ(Ctl({"--emulated", "apply", "--boot", boot.profile}, boot.system).status, 0);
    EXPECT_EQ(Ctl({"--emulated", "apply", "--settle"}, boot.system).out, "");

    // And the real system's folder, with the system's own paths, as it was.
    const Outcome real = Ctl({"--emulated=" + dump, "apply", "--boot", boot.profile});
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(Ctl({"--emulated", "apply", "--boot", boot.profile}).status, 0);
    struct stat now {};
    EXPECT_EQ(stat("/var/lib/i815quarvel", &now) == 0, systemFolder);
    if (systemFolder) {
        EXPECT_EQ(now.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << "nothing made or removed in it";
    }
    EXPECT_EQ(access(systemMarker, F_OK) == 0, markerBefore);
    std::remove(beside.c_str());
    std::remove(dump.c_str());
}

TEST(BootGuard, TheMarkerIsOnTheDiskBeforeTheFirstWrite)
{
    BootGuard guard{TestFile("state"), 0};
    guard.bootIdPath = TestFile("boot_id");
    WriteText(guard.bootIdPath, "3f1c0b8e-first-boot\n");
    bool markerSeen = false;
    GuardedApply(guard, "p.conf", [&](int& writes) {
        markerSeen = access(guard.MarkerPath().c_str(), F_OK) == 0;
        ++writes;
    });
    EXPECT_TRUE(markerSeen);
    EXPECT_EQ(access(guard.MarkerPath().c_str(), F_OK), 0) << "until the guard takes it away";
    // A failure after a write keeps it too: that write may hang the machine yet.
    std::remove(guard.MarkerPath().c_str());
    EXPECT_THROW(GuardedApply(guard, "p.conf", [&](int& writes) {
        ++writes;
        throw StatusError(ExitFailure, "cas did not take 3 clocks");
    }),
                 StatusError);
    EXPECT_EQ(access(guard.MarkerPath().c_str(), F_OK), 0);
    EXPECT_EQ(SettleGuard(guard).rfind(guard.MarkerPath() + " removed: ", 0), 0u);
    EXPECT_NE(access(guard.MarkerPath().c_str(), F_OK), 0);
    rmdir(guard.stateDir.c_str());
    std::remove(guard.bootIdPath.c_str());
}

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(BootGuard, ASettingThatHungTuneIsNeverAppliedAtBoot)
{
    GuardedBoot boot;  // its profile: ras = 3 clocks
    const std::string journal = boot.system.stateDir + "/tune-journal";
    mkdir(boot.system.stateDir.c_str(), 0700);
    // Tune named its step and the machine hung inside it; this boot's apply is the first to see it.
    WriteText(journal, "step ras=3 started 2026-12-09 14:31:05\n");
    Outcome run = boot.Apply();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "i815ctl: ras=3 hung this machine during tune (2026-12-09 14:31:05); it will not be tried "
                       "again\n"
                       "i815ctl: " + boot.profile + " not applied: ras=3 hung this machine during tune (" + journal +
                       "); the chip stays as the BIOS set it. Take it out of the profile.\n");
    EXPECT_EQ(boot.Chip(), EmulatedI815::DefaultImage());
    EXPECT_NE(access(boot.marker.c_str(), F_OK), 0) << "nothing written, nothing to guard";
    const std::string recorded = ReadFile(journal);
    EXPECT_TRUE(Has(recorded, "\nhangs ras=3 since 2026-12-09 14:31:05\n")) << recorded;
    EXPECT_FALSE(Has(recorded, "\nstep ")) << recorded;
    EXPECT_EQ(boot.Apply().status, 1) << "and on every boot after";

    // A step of a tune still running (it holds the journal's lock) is not an unfinished one.
    WriteText(journal, "step ras=3 started 2026-12-09 15:00:00\n");
    {
        const MarkerLock tuneRunning(journal + ".lock", 0);
        ASSERT_TRUE(tuneRunning.held());
        run = boot.Apply();
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.err, boot.profile + " not applied: " + journal + ".lock: held by another program for 2 "
                                                 "seconds; is tune running?"))
            << run.err;
        EXPECT_EQ(ReadFile(journal), "step ras=3 started 2026-12-09 15:00:00\n");
    }

    // A setting of another value, or of another field, hangs nothing.
    WriteText(journal, "hangs ras=2 since 2026-12-09 14:31:05\nhangs cas=2 since 2026-12-09 14:40:00\n");
    run = boot.Apply();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ras: 2 clocks -> 3 clocks\n");
    std::remove(journal.c_str());
    std::remove((journal + ".lock").c_str());
}
