// A real signal to a real i815ctl in the middle of an apply: the setting being written is
// finished, nothing more is written, and the program says what it applied. And to the boot
// guard while it waits: a shutdown, not a hang. A standard output that fails (a reader gone, a
// full disk, a closed descriptor) ends a command as a signal does, and is always reported; a
// signal stops the bench and the dump reader at once; a hang-up ignored by nohup stays ignored.
#include "config_lock.h"
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <chrono>
#include <fstream>
#include <thread>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

TEST(CtlSignals, AnInterruptedApplyFinishesTheSettingItIsWritingAndStops)
{
    const ConfigSpace image = EmulatedI815::DefaultImage();
    std::ofstream(TestFile("profile")) << "cas = 3 clocks\nras = 3 clocks\nrdthr = none\namtt = 64\n";

    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        WriteSpaceFile(TestFile("config"), image);
        ConfigLock held(TestLock());
        held.Acquire();  // another program in the middle of a cycle

        ChildProcess ctl({CTL_ON_FILES, "--kernel", "apply", TestFile("profile")},
                         {"TEST_KERNEL_CONFIG=" + TestFile("config"), "TEST_LOCK=" + TestLock()});
        ASSERT_TRUE(ctl.ok());

        // It announces the first change, then waits for the lock to make it.
        EXPECT_EQ(ctl.ReadLine(), "cas: 2 clocks -> 3 clocks");
        kill(ctl.pid(), signal);  // pending before the lock frees: handled before its next instruction
        held.Release();

        const int status = ctl.Finish();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(ctl.out, "cas: 2 clocks -> 3 clocks\n") << "nothing after the first change";
        EXPECT_EQ(ctl.err, "i815ctl: " + TestFile("profile") +
                               ":1: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n"
                               "i815ctl: " + TestFile("profile") +
                               ":2: warning: ras = 3 clocks: changing the RAS precharge time may hang the machine\n"
                               "i815ctl: interrupted by signal " + std::to_string(signal) +
                               ": applied cas; not applied: ras, rdthr, amtt\n");
        const EmulatedI815 file(ReadSpaceFile(TestFile("config")));
        EXPECT_EQ(file.Dword(0x50), 0x237C0244u) << "cas whole, ras untouched";
        EXPECT_EQ(file.Dword(0x70), 0x0A82800Cu);
        EXPECT_EQ(file.Dword(0xBC), 0x00002020u);
    }
    for (const char* name : {"config", "profile", "lock"})
        std::remove(TestFile(name).c_str());
}

TEST(CtlSignals, TheGuardStoppedWhileItWaitsTakesTheMarkerAway)
{
    const std::string state = TestFile("state"), marker = state + "/apply-in-progress";
    mkdir(state.c_str(), 0755);
    std::ofstream(TestFile("boot_id")) << "3f1c0b8e-this-boot\n";
    // Made just now as far as the guard can tell: its minute has hardly begun.
    std::ofstream(marker) << "apply of /etc/i815quarvel.conf started 2026-12-08 06:00:00\n"
                          << "boot 3f1c0b8e-this-boot after 999999999.00 s\n";

    ChildProcess guard({CTL_ON_FILES, "apply", "--settle"},
                       {"TEST_STATE_DIR=" + state, "TEST_BOOT_ID=" + TestFile("boot_id")});
    ASSERT_TRUE(guard.ok());
    ASSERT_TRUE(guard.WaitUntilCatches(SIGTERM));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(access(marker.c_str(), F_OK), 0) << "the guard waits";
    kill(guard.pid(), SIGTERM);  // the system shuts down

    const int status = guard.Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << guard.err;
    EXPECT_EQ(guard.out, marker + " removed: the machine was stopped orderly after the apply of "
                                  "/etc/i815quarvel.conf started 2026-12-08 06:00:00\n");
    EXPECT_NE(access(marker.c_str(), F_OK), 0);
    rmdir(state.c_str());
    std::remove(TestFile("boot_id").c_str());
}

// The hang guard's lock is a file of root's in a folder of root's alone: a lock on what anyone
// may open (the folder itself) holds nothing up, and the wait for our own lock, which only a
// program of ours that hangs would keep, ends on SIGTERM.
TEST(CtlSignals, TheGuardsLockIsNoFolderAnyoneMayLockAndItsWaitEndsOnSigterm)
{
    const std::string state = TestFile("state"), marker = state + "/apply-in-progress";
    const std::string lockFile = marker + ".lock";
    mkdir(state.c_str(), 0755);  // as an earlier version left it
    std::ofstream(TestFile("boot_id")) << "3f1c0b8e-this-boot\n";
    std::ofstream(TestFile("profile")) << "ras = 3 clocks\n";
    WriteSpaceFile(TestFile("config"), EmulatedI815::DefaultImage());
    const std::vector<std::string> env{"TEST_KERNEL_CONFIG=" + TestFile("config"), "TEST_LOCK=" + TestLock(),
                                       "TEST_STATE_DIR=" + state, "TEST_BOOT_ID=" + TestFile("boot_id")};
    const std::vector<std::string> apply{CTL_ON_FILES, "--kernel", "apply", "--boot", TestFile("profile")};

    const int folder = open(state.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);  // a stranger's
    {
        ChildProcess boot(apply, env);
        ASSERT_TRUE(boot.EndsWithin(5000)) << "held up by a lock on the folder";
        EXPECT_EQ(WEXITSTATUS(boot.Finish()), 0) << boot.err;
        EXPECT_EQ(boot.out, "ras: 2 clocks -> 3 clocks\n");
    }
    close(folder);
    struct stat st;
    ASSERT_EQ(stat(state.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "the state folder closed to others";
    ASSERT_EQ(stat(lockFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const int lock = open(lockFile.c_str(), O_RDWR);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    {
        // The guard stopped by the shutdown while it waits for the lock: no hang, the marker goes.
        ChildProcess settle({CTL_ON_FILES, "apply", "--settle"}, env);
        ASSERT_TRUE(settle.WaitUntilCatches(SIGTERM));
        EXPECT_TRUE(settle.RunsFor(300)) << "it waits for the lock";
        kill(settle.pid(), SIGTERM);
        ASSERT_TRUE(settle.EndsWithin(5000));
        EXPECT_EQ(WEXITSTATUS(settle.Finish()), 0) << settle.err;
        EXPECT_NE(access(marker.c_str(), F_OK), 0);
    }
    {
        // The apply stopped while it waits: nothing applied, no marker left.
        std::ofstream(TestFile("profile")) << "ras = 2 clocks\n";
        ChildProcess boot(apply, env);
        ASSERT_TRUE(boot.WaitUntilCatches(SIGTERM));
        EXPECT_TRUE(boot.RunsFor(300)) << "it waits for the lock";
        kill(boot.pid(), SIGTERM);
        ASSERT_TRUE(boot.EndsWithin(5000));
        EXPECT_EQ(WEXITSTATUS(boot.Finish()), 1);
        EXPECT_EQ(boot.err, "i815ctl: " + TestFile("profile") + " not applied: " + lockFile +
                                ": the wait for it was interrupted\n");
        EXPECT_EQ(EmulatedI815(ReadSpaceFile(TestFile("config"))).Dword(0x50), 0x267C0244u) << "ras still 3 clocks";
        EXPECT_NE(access(marker.c_str(), F_OK), 0);
    }
    close(lock);
    for (const std::string& file : {lockFile, state, TestFile("boot_id"), TestFile("profile"), TestFile("config")})
        std::remove(file.c_str());
}

namespace {

// i815ctl apply on a stand-in for the kernel's file, with its lock held by the test: the
// program announces its first change and waits for the lock to make it.
class HeldApply {
public:
    explicit HeldApply(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
                       const std::vector<std::string>& before = {})
        : held(TestLock())
    {
        std::ofstream(TestFile("profile")) << "cas = 3 clocks\nras = 3 clocks\nrdthr = none\namtt = 64\n";
        WriteSpaceFile(TestFile("config"), EmulatedI815::DefaultImage());
        held.Acquire();
        std::vector<std::string> all = before;
        all.insert(all.end(), {CTL_ON_FILES, "--kernel", "apply"});
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(TestFile("profile"));
        std::vector<std::string> env{"TEST_KERNEL_CONFIG=" + TestFile("config"), "TEST_LOCK=" + TestLock()};
        env.insert(env.end(), environment.begin(), environment.end());
        ctl = std::make_unique<ChildProcess>(all, env);
    }
    ~HeldApply()
    {
        for (const char* name : {"config", "profile"})
            std::remove(TestFile(name).c_str());
    }
    EmulatedI815 Chip() const { return EmulatedI815(ReadSpaceFile(TestFile("config"))); }

    ConfigLock held;
    std::unique_ptr<ChildProcess> ctl;
};

}  // namespace

// `apply PROFILE | head -1`: the reader goes after the first line.
TEST(CtlSignals, AReaderGoneStopsAnApplyBetweenSettings)
{
    HeldApply apply({});
    ASSERT_TRUE(apply.ctl->ok());
    EXPECT_EQ(apply.ctl->ReadLine(), "cas: 2 clocks -> 3 clocks");
    apply.ctl->CloseOutput();
    apply.held.Release();
    const int status = apply.ctl->Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(apply.ctl->err, "i815ctl: " + TestFile("profile") + ":1: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n"
                              "i815ctl: " + TestFile("profile") + ":2: warning: ras = 3 clocks: changing the RAS precharge time may hang the machine\n"
                              "i815ctl: stopped, as the output failed: applied cas; not applied: ras, rdthr, amtt\n"
                              "i815ctl: standard output: write error: Broken pipe\n");
    EXPECT_EQ(apply.Chip().Dword(0x50), 0x237C0244u) << "cas whole, ras untouched";
    EXPECT_EQ(apply.Chip().Dword(0x70), 0x0A82800Cu);
}

// The boot-time apply: stopped before its first write, it takes its marker away itself (and
// --save-emulated is written all the same); after one, the marker stays for the guard beside
// it, which clears it once the machine runs on.
TEST(CtlSignals, AReaderGoneLeavesNoMarkerOfABootThatDidNotHang)
{
    const std::string state = TestFile("state"), marker = state + "/apply-in-progress";
    mkdir(state.c_str(), 0755);
    std::ofstream(TestFile("boot_id")) << "3f1c0b8e-this-boot\n";
    const std::vector<std::string> environment{"TEST_STATE_DIR=" + state, "TEST_BOOT_ID=" + TestFile("boot_id")};
    {
        // On the emulated chip from a dump that the test holds until the reader has gone.
        const std::string dump = TestFile("dump.txt");
        std::ofstream(TestFile("profile")) << "cas = 3 clocks\namtt = 64\n";
        WriteRegisterDumpFile(dump, EmulatedI815::DefaultImage());
        const int held = open(dump.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(held, LOCK_EX), 0);
        struct stat before;
        ASSERT_EQ(stat(dump.c_str(), &before), 0);
        ChildProcess apply({CTL_ON_FILES, "--emulated=" + dump, "--save-emulated", dump, "apply", "--boot",
                            TestFile("profile")},
                           environment);
        ASSERT_TRUE(apply.ok());
        apply.CloseOutput();
        close(held);
        const int status = apply.Finish();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(apply.err, "i815ctl: " + TestFile("profile") + ":1: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n"
                             "i815ctl: stopped, as the output failed: nothing applied; not applied: cas, amtt\n"
                             "i815ctl: standard output: write error: Broken pipe\n");
        EXPECT_NE(access(marker.c_str(), F_OK), 0) << "nothing written, nothing hung";
        EXPECT_EQ(ReadRegisterDumpFile(dump), EmulatedI815::DefaultImage());
        struct stat after;
        ASSERT_EQ(stat(dump.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino) << "--save-emulated written";
        std::remove(dump.c_str());
    }
    {
        HeldApply apply({"--boot"}, environment);
        EXPECT_EQ(apply.ctl->ReadLine(), "cas: 2 clocks -> 3 clocks");
        apply.ctl->CloseOutput();
        apply.held.Release();
        const int status = apply.ctl->Finish();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(access(marker.c_str(), F_OK), 0) << "cas was written: the guard decides";
    }
    ChildProcess guard({CTL_ON_FILES, "apply", "--settle"}, environment);
    const int status = guard.Finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << guard.err;
    EXPECT_NE(access(marker.c_str(), F_OK), 0) << "the machine ran on: the guard cleared it";
    rmdir(state.c_str());
    std::remove(TestFile("boot_id").c_str());
}

// show >/dev/full, show >&-: status 1 and a message; a command that writes nothing to a closed
// standard output is not hurt by it, nor is a file it opens given the descriptor's number.
TEST(CtlSignals, AFailedWriteToStandardOutputIsAlwaysReported)
{
    auto run = [](const std::string& redirection, std::vector<std::string> args, std::string& err) {
        args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$@\" " + redirection, "sh", CTL_ON_FILES});
        ChildProcess ctl(args, {});
        const int status = ctl.Finish();
        err = ctl.err;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string err;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--emulated", "show"}, {"--emulated", "dump"}, {"--emulated", "get", "cas"},
                                               {"--help"}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(run(">/dev/full", args, err), 1);
        EXPECT_EQ(err, "i815ctl: standard output: write error: No space left on device\n");
        EXPECT_EQ(run(">&-", args, err), 1);
        EXPECT_EQ(err, "i815ctl: standard output: write error: Bad file descriptor\n");
    }

    const std::string saved = TestFile("saved.txt");
    WriteRegisterDumpFile(saved, EmulatedI815::DefaultImage());
    EXPECT_EQ(run(">&-", {"--emulated=" + saved, "--save-emulated", saved, "set", "--force", "cas=3"}, err), 0) << err;
    EXPECT_EQ(err, "i815ctl: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n");
    EXPECT_EQ(EmulatedI815(ReadRegisterDumpFile(saved)).Dword(0x50), 0x237C0244u);
    std::remove(saved.c_str());
}

TEST(CtlSignals, ASignalStopsTheBenchWithinASecond)
{
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        ChildProcess bench({CTL_ON_FILES, "bench", "--repeat", "20"}, {});
        ASSERT_TRUE(bench.WaitUntilCatches(signal));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(bench.pid(), signal);
        EXPECT_TRUE(bench.EndsWithin(1000)) << "still running a second later";
        const int status = bench.Finish();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(bench.err, "i815ctl: interrupted by signal " + std::to_string(signal) + ": the bench stopped\n");
        EXPECT_EQ(bench.out.find("MB/s"), std::string::npos) << "no figure from rounds cut short: " << bench.out;
    }
}

// A dump from a pipe whose writer sends nothing: Ctrl-C ends the wait.
TEST(CtlSignals, ASignalStopsTheDumpReaderAtOnce)
{
    const std::string fifo = TestFile("fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);  // there, silent
    ChildProcess ctl({CTL_ON_FILES, "--emulated=" + fifo, "show"}, {});
    ASSERT_TRUE(ctl.WaitUntilCatches(SIGINT));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(ctl.pid(), SIGINT);
    EXPECT_TRUE(ctl.EndsWithin(1000));
    const int status = ctl.Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ctl.err, "i815ctl: " + fifo + ": reading was interrupted by a signal\n");
    close(writer);
    std::remove(fifo.c_str());
}

// `nohup i815ctl apply F &`, then a log-out: the hang-up that nohup ignores stays ignored.
TEST(CtlSignals, AHangUpIgnoredByNohupStaysIgnored)
{
    if (access("/usr/bin/nohup", X_OK) != 0)
        GTEST_SKIP() << "no nohup";
    HeldApply apply({}, {}, {"/usr/bin/nohup"});
    EXPECT_EQ(apply.ctl->ReadLine(), "cas: 2 clocks -> 3 clocks");
    ASSERT_TRUE(apply.ctl->WaitUntilCatches(SIGINT));
    kill(apply.ctl->pid(), SIGHUP);
    apply.held.Release();
    const int status = apply.ctl->Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << apply.ctl->err;
    EXPECT_EQ(apply.Chip().Dword(0x50), 0x227C0244u) << "cas and ras: bits 26 and 24 clear";
    EXPECT_EQ(apply.Chip().Dword(0x70), 0x0A02800Cu) << "rdthr: bits 23-22 clear";
    EXPECT_EQ(apply.Chip().Dword(0xBC), 0x00002040u);
}
