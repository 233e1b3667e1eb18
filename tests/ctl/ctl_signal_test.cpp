// A real signal to a real i815ctl in the middle of an apply: the setting being written is
// finished, nothing more is written, and the program says what it applied. And to the boot
// guard while it waits: a shutdown, not a hang.
#include "config_lock.h"
#include "emulated_i815.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <chrono>
#include <fstream>
#include <thread>
#include <string>

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
