// Real signals to real window processes: each ends the program as the close button does.
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// The emulated program offscreen on `image`, saving its chip to `saved` when it ends.
std::unique_ptr<ChildProcess> StartSim(const ConfigSpace& image, const std::string& saved)
{
    WriteRegisterDumpFile(TestFile("image.txt"), image);
    std::remove(saved.c_str());
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{SIM_PROGRAM, "--save", saved, TestFile("image.txt")},
        std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "HOME=/tmp", "XDG_RUNTIME_DIR=/tmp"});
}

}  // namespace

TEST(Signals, EachEndsTheEmulatedWindowAsItsCloseButtonDoes)
{
    const std::string saved = TestFile("saved.txt");
    EmulatedI815 gfx;
    gfx.SetDword(0x50, 0x237C0344);  // GFX mode: a message box open during the construction
    for (const ConfigSpace& image : {EmulatedI815::DefaultImage(), gfx.Space()}) {
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
            SCOPED_TRACE("signal " + std::to_string(signal));
            const auto sim = StartSim(image, saved);
            ASSERT_TRUE(sim->ok());
            ASSERT_TRUE(sim->WaitUntilCatches(signal));
            kill(sim->pid(), signal);
            const int status = sim->Finish();
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(ReadRegisterDumpFile(saved), image) << "--save written; start-up changed nothing";
        }
    }
    std::remove(saved.c_str());
    std::remove(TestFile("image.txt").c_str());
}
