// A real signal to a real i815ctl in the middle of an apply: the setting being written is
// finished, nothing more is written, and the program says what it applied.
#include "config_lock.h"
#include "emulated_i815.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <fstream>
#include <string>

TEST(CtlSignals, AnInterruptedApplyFinishesTheSettingItIsWritingAndStops)
{
    const ConfigSpace image = EmulatedI815::DefaultImage();
    std::ofstream(TestFile("profile")) << "cas = 3 clocks\nras = 3 clocks\nrdthr = 0\namtt = 64\n";

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
        EXPECT_EQ(ctl.err, "i815ctl: interrupted by signal " + std::to_string(signal) +
                               ": applied cas; not applied: ras, rdthr, amtt\n");
        const EmulatedI815 file(ReadSpaceFile(TestFile("config")));
        EXPECT_EQ(file.Dword(0x50), 0x237C0244u) << "cas whole, ras untouched";
        EXPECT_EQ(file.Dword(0x70), 0x0A82800Cu);
        EXPECT_EQ(file.Dword(0xBC), 0x00002020u);
    }
    for (const char* name : {"config", "profile", "lock"})
        std::remove(TestFile(name).c_str());
}
