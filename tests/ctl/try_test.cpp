// i815ctl try as a user meets it: a real process on a stand-in for the kernel's file, a pipe for
// its terminal, real signals. Only the tried settings ever change, and they go back unless kept.
#include "emulated_i815.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class TryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        config = ::testing::TempDir() + "quarvel_try_" + name;
        const ConfigSpace image = EmulatedI815::DefaultImage();
        std::ofstream(config, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);
    }
    void TearDown() override
    {
        std::remove(config.c_str());
        std::remove((config + ".lock").c_str());
    }

    // Starts `i815ctl --kernel try ARGS` and reads its output up to the question.
    void Start(std::vector<std::string> args)
    {
        args.insert(args.begin(), {CTL_ON_FILES, "--kernel", "try"});
        int in[2], out[2], err[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        ASSERT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        for (int fd : {in[1], out[0], err[0]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string kernel = "TEST_KERNEL_CONFIG=" + config, lock = "TEST_LOCK=" + config + ".lock";
        char* envp[] = {kernel.data(), lock.data(), nullptr};
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        terminal = in[1];
        output = out[0];
        errors = err[0];
        char c;
        while (said.find("seconds: ") == std::string::npos && said.find("second: ") == std::string::npos &&
               read(output, &c, 1) == 1)
            said += c;
    }
    // Ends the conversation; returns the exit status, with the rest of the output in `said`
    // and the messages in `error`.
    int Finish()
    {
        if (terminal >= 0)
            close(terminal);
        char buffer[256];
        for (ssize_t got; (got = read(output, buffer, sizeof buffer)) > 0;)
            said.append(buffer, size_t(got));
        for (ssize_t got; (got = read(errors, buffer, sizeof buffer)) > 0;)
            error.append(buffer, size_t(got));
        close(output);
        close(errors);
        int status;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal";
        return WEXITSTATUS(status);
    }
    void Answer(const std::string& line)
    {
        EXPECT_EQ(write(terminal, line.data(), line.size()), ssize_t(line.size()));
    }
    EmulatedI815 Chip() const
    {
        ConfigSpace space{};
        std::ifstream(config, std::ios::binary).read(reinterpret_cast<char*>(space.data()), 256);
        return EmulatedI815(space);
    }
    // Only 0x50's CAS bit and 0xBC's AMTT may differ from the start.
    void ExpectOnlyTriedFieldsDiffer()
    {
        const EmulatedI815 now = Chip(), start;
        for (uint32_t offset = 0; offset < 256; offset += 4) {
            const uint32_t tried = offset == 0x50 ? 1u << 26 : offset == 0xBC ? 0xFFu : 0;
            EXPECT_EQ(now.Dword(offset) & ~tried, start.Dword(offset) & ~tried) << offset;
        }
    }

    std::string config, said, error;
    pid_t pid = -1;
    int terminal = -1, output = -1, errors = -1;
};

}  // namespace

TEST_F(TryTest, YesKeepsTheTriedSettings)
{
    Start({"cas=3 clocks", "amtt=64"});
    EXPECT_EQ(said, "Note: when an SDRAM timing hangs the machine the moment it is written, no undo can help;\n"
                    "close your documents first.\ncas: 2 clocks -> 3 clocks\namtt: 32 -> 64\n"
                    "Keep these settings? Type yes within 20 seconds: ");
    EXPECT_EQ(Chip().Dword(0x50), 0x237C0244u) << "written before the question";
    EXPECT_EQ(Chip().Dword(0xBC), 0x00002040u);
    ExpectOnlyTriedFieldsDiffer();
    Answer("YES\n");
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(error, "");
    EXPECT_EQ(Chip().Dword(0x50), 0x237C0244u);
    ExpectOnlyTriedFieldsDiffer();
}

TEST_F(TryTest, AnythingButYesPutsThePreviousValuesBack)
{
    Start({"cas=0", "amtt=0x40"});
    Answer("no\n");
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, "i815ctl: not kept; undone: amtt back to 32, cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

TEST_F(TryTest, NoAnswerInTimeOrATerminalGoneIsAnUndo)
{
    Start({"--seconds", "1", "cas=0", "amtt=64"});
    EXPECT_NE(said.find("Type yes within 1 second: "), std::string::npos) << said;
    ExpectOnlyTriedFieldsDiffer();
    usleep(1500 * 1000);  // the terminal stays open, silent
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, "i815ctl: no \"yes\" within 1 second; undone: amtt back to 32, cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());

    said.clear();
    error.clear();
    Start({"cas=0"});
    close(terminal);
    terminal = -1;
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, "i815ctl: the terminal went away; undone: cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

TEST_F(TryTest, AHangUpOrAnInterruptIsAnUndo)
{
    for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
        said.clear();
        error.clear();
        Start({"cas=0", "amtt=64"});
        kill(pid, signal);
        EXPECT_EQ(Finish(), 1);
        const std::string why = signal == SIGHUP ? "the terminal hung up" : "interrupted by signal " + std::to_string(signal);
        EXPECT_EQ(error, "i815ctl: " + why + "; undone: amtt back to 32, cas back to 2 clocks\n");
        EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
    }
}

TEST_F(TryTest, TheThrottleLockIsRefused)
{
    Start({"rdthr=0", "thrlock=on"});
    EXPECT_EQ(Finish(), 2);
    EXPECT_NE(error.find("try does not set the throttle lock: once set, only a reset clears it"), std::string::npos)
        << error;
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage()) << "nothing written, not even the limit";
}
