// Real signals to real window processes: each ends the program as the close button does.
#include "emulated_i815.h"
#include "register_dump.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Temp(const std::string& name)
{
    return ::testing::TempDir() + "quarvel_signal_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           "_" + name;
}

// Starts the emulated program offscreen on `image`.
pid_t StartSim(const ConfigSpace& image, const std::string& saved)
{
    WriteRegisterDumpFile(Temp("image.txt"), image);
    std::remove(saved.c_str());
    const std::string program = SIM_PROGRAM, save = "--save", dump = Temp("image.txt");
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(save.c_str()),
                    const_cast<char*>(saved.c_str()), const_cast<char*>(dump.c_str()), nullptr};
    char* envp[] = {const_cast<char*>("QT_QPA_PLATFORM=offscreen"), const_cast<char*>("HOME=/tmp"),
                    const_cast<char*>("XDG_RUNTIME_DIR=/tmp"), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp);
    return pid;
}

// Waits until the process catches `signal` (the kernel lists it in SigCgt), so that the signal
// meets the program's own handling and not the default action.
bool WaitUntilCaught(pid_t pid, int signal)
{
    for (int tries = 0; tries < 2000; ++tries) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1)
                return true;
        }
        usleep(10 * 1000);
    }
    return false;
}

int WaitFor(pid_t pid)
{
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(Signals, EachEndsTheEmulatedWindowAsItsCloseButtonDoes)
{
    const std::string saved = Temp("saved.txt");
    EmulatedI815 gfx;
    gfx.SetDword(0x50, 0x237C0344);  // GFX mode: a message box open during the construction
    for (const ConfigSpace& image : {EmulatedI815::DefaultImage(), gfx.Space()}) {
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
            SCOPED_TRACE("signal " + std::to_string(signal));
            const pid_t pid = StartSim(image, saved);
            ASSERT_GT(pid, 0);
            ASSERT_TRUE(WaitUntilCaught(pid, signal));
            kill(pid, signal);
            const int status = WaitFor(pid);
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(ReadRegisterDumpFile(saved), image) << "--save written; start-up changed nothing";
        }
    }
    std::remove(saved.c_str());
    std::remove(Temp("image.txt").c_str());
}
