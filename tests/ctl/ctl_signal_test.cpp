// A real signal to a real i815ctl in the middle of an apply: the setting being written is
// finished, nothing more is written, and the program says what it applied.
#include "config_lock.h"
#include "emulated_i815.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Temp(const std::string& name) { return ::testing::TempDir() + "quarvel_ctl_signal_" + name; }

std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(got));
    return text;
}

}  // namespace

TEST(CtlSignals, AnInterruptedApplyFinishesTheSettingItIsWritingAndStops)
{
    const ConfigSpace image = EmulatedI815::DefaultImage();
    std::ofstream(Temp("config"), std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);
    std::ofstream(Temp("profile")) << "cas = 3 clocks\nras = 3 clocks\nrdthr = 0\namtt = 64\n";

    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        std::ofstream(Temp("config"), std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);
        ConfigLock held(Temp("lock"));
        held.Acquire();  // another program in the middle of a cycle

        int out[2], err[2];
        ASSERT_EQ(pipe(out), 0);
        ASSERT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        const std::string program = CTL_ON_FILES, profile = Temp("profile");
        const std::string config = "TEST_KERNEL_CONFIG=" + Temp("config"), lock = "TEST_LOCK=" + Temp("lock");
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--kernel"), const_cast<char*>("apply"),
                        const_cast<char*>(profile.c_str()), nullptr};
        char* envp[] = {const_cast<char*>(config.c_str()), const_cast<char*>(lock.c_str()), nullptr};
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);

        // It announces the first change, then waits for the lock to make it.
        EXPECT_EQ(ReadLine(out[0]), "cas: 2 clocks -> 3 clocks");
        kill(pid, signal);  // pending before the lock frees: handled before its next instruction
        held.Release();

        int status;
        waitpid(pid, &status, 0);
        const std::string rest = ReadAll(out[0]), errors = ReadAll(err[0]);
        close(out[0]);
        close(err[0]);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(rest, "");
        EXPECT_EQ(errors, "i815ctl: interrupted by signal " + std::to_string(signal) +
                              ": applied cas; not applied: ras, rdthr, amtt\n");
        ConfigSpace after{};
        std::ifstream(Temp("config"), std::ios::binary).read(reinterpret_cast<char*>(after.data()), 256);
        const EmulatedI815 file(after);
        EXPECT_EQ(file.Dword(0x50), 0x237C0244u) << "cas whole, ras untouched";
        EXPECT_EQ(file.Dword(0x70), 0x0A82800Cu);
        EXPECT_EQ(file.Dword(0xBC), 0x00002020u);
    }
    for (const char* name : {"config", "profile", "lock"})
        std::remove(Temp(name).c_str());
}
