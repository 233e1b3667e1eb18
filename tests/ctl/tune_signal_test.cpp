// A real tune, stopped inside its first step: by SIGTERM, which puts the step back; by
// SIGKILL, as a hang would stop it, after which the journal names the step, the next tune
// refuses to build on it and the boot-time apply refuses it.
#include "emulated_i815.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Text(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until the journal names the SM bypass's step and the chip holds it (the journal comes
// first, the write after it).
bool StepBegun(const std::string& journal, const std::string& config)
{
    for (int i = 0; i < 12000; ++i) {  // a minute: the bench before the step is slow on a busy machine
        if (Text(journal).find("\nstep sm=on started ") != std::string::npos &&
            (EmulatedI815(ReadSpaceFile(config)).Dword(0x70) & 0x20000000u))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

TEST(TuneSignals, SigtermPutsTheStepBackAndSigkillLeavesItInTheJournalForTheBoot)
{
    const std::string state = TestFile("tune_signal_state"), journal = state + "/tune-journal";
    const std::string config = TestFile("tune_config"), profile = TestFile("tune_profile");
    // A Pentium III's 256 KiB cache, so that the bench measures over 4 MiB, not over four times
    // this machine's last-level cache.
    const std::string caches = TestFile("tune_caches");
    mkdir(caches.c_str(), 0755);
    mkdir((caches + "/index0").c_str(), 0755);
    std::ofstream(caches + "/index0/size") << "256K\n";
    std::ofstream(caches + "/index0/type") << "Unified\n";
    const std::vector<std::string> environment{"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock(),
                                               "TEST_STATE_DIR=" + state, "TEST_BOOT_ID=" + TestFile("boot_id"),
                                               "TEST_CACHE_DIR=" + caches};
    std::ofstream(TestFile("boot_id")) << "3f1c0b8e-this-boot\n";
    const ConfigSpace image = EmulatedI815::DefaultImage();  // every setting fast but the SM bypass

    for (int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        WriteSpaceFile(config, image);
        ChildProcess tune({CTL_ON_FILES, "--kernel", "tune", "--force", "--memory", "1"}, environment);
        ASSERT_TRUE(tune.ok());
        ASSERT_TRUE(StepBegun(journal, config));
        if (signal == SIGTERM) {
            ChildProcess second({CTL_ON_FILES, "--kernel", "tune", "--force", "--memory", "1"}, environment);
            ASSERT_TRUE(second.ok());
            const int refused = second.Finish();
            EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 1);
            EXPECT_NE(second.err.find("is another tune running?"), std::string::npos) << second.err;
        }
        kill(tune.pid(), signal);
        const int status = tune.Finish();
        const EmulatedI815 chip(ReadSpaceFile(config));
        if (signal == SIGTERM) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(chip.Dword(0x70), 0x0A82800Cu) << "the SM bypass (bit 29) back off";
            EXPECT_EQ(chip.Dword(0x50), EmulatedI815(image).Dword(0x50));
            EXPECT_EQ(Text(journal).find("\nstep "), std::string::npos) << Text(journal);
            EXPECT_NE(tune.err.find("tune was interrupted; the step in progress is undone"), std::string::npos)
                << tune.err;
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_NE(Text(journal).find("\nstep sm=on started "), std::string::npos) << "survives the kill";
        }
    }

    // The next tune, on the chip as the kill left it: the step becomes a hang, and tune will not
    // build on the value that hung.
    const ConfigSpace killed = ReadSpaceFile(config);
    ChildProcess next({CTL_ON_FILES, "--kernel", "tune", "--force", "--memory", "1"}, environment);
    ASSERT_TRUE(next.ok());
    const int refused = next.Finish();
    EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 1);
    EXPECT_NE(next.err.find("i815ctl: sm=on hung this machine during tune ("), std::string::npos) << next.err;
    EXPECT_NE(next.err.find("i815ctl: nothing written: the chip holds sm=on, which hung this machine during tune; "
                            "set sm=off, or reset the machine first\n"),
              std::string::npos)
        << next.err;
    EXPECT_EQ(ReadSpaceFile(config), killed);
    EXPECT_NE(Text(journal).find("\nhangs sm=on since "), std::string::npos) << Text(journal);

    // The next boot: the chip as the BIOS set it, a profile with the setting that hung.
    WriteSpaceFile(config, image);
    std::ofstream(profile) << "sm = on\n";
    chmod(profile.c_str(), 0644);
    ChildProcess boot({CTL_ON_FILES, "--kernel", "apply", "--boot", profile}, environment);
    ASSERT_TRUE(boot.ok());
    const int status = boot.Finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(boot.err.find("sm=on hung this machine during tune"), std::string::npos) << boot.err;
    EXPECT_EQ(ReadSpaceFile(config), image) << "nothing written";
    EXPECT_NE(Text(journal).find("\nhangs sm=on since "), std::string::npos) << Text(journal);

    for (const std::string& file : {journal, journal + ".lock", config, profile, TestFile("boot_id"), TestLock()})
        std::remove(file.c_str());
    rmdir(state.c_str());
    for (const std::string& file : {caches + "/index0/size", caches + "/index0/type"})
        std::remove(file.c_str());
    rmdir((caches + "/index0").c_str());
    rmdir(caches.c_str());
}
