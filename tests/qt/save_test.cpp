// The emulated window's --save under faults: a write cut short by a file-size limit leaves the
// old dump byte for byte, and the program says so.
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

TEST(SimSave, AWriteCutShortLeavesTheOldDumpByteForByte)
{
    if (access("/usr/bin/prlimit", X_OK) != 0)
        GTEST_SKIP() << "no prlimit";
    const std::string dump = TestFile("dump.txt");
    WriteRegisterDumpFile(dump, EmulatedI815::DefaultImage());
    auto text = [&] {
        std::ifstream file(dump, std::ios::binary);
        std::stringstream all;
        all << file.rdbuf();
        return all.str();
    };
    const std::string before = text();
    ASSERT_GT(before.size(), 300u);

    ChildProcess sim({"/usr/bin/prlimit", "--fsize=300", SIM_PROGRAM, "--save", dump, dump},
                     {"QT_QPA_PLATFORM=offscreen", "HOME=/tmp", "XDG_RUNTIME_DIR=/tmp"});
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.WaitUntilCatches(SIGTERM));
    kill(sim.pid(), SIGTERM);
    const int status = sim.Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(sim.err.find("i815quarvel-sim: " + dump + ": writing failed: File too large\n"), std::string::npos)
        << sim.err;
    EXPECT_EQ(text(), before);
    std::remove(dump.c_str());
}
