// i815ctl bench on a terminal: each figure appears as soon as it is measured, not at the end.
#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A line from the terminal's far side, without its "\r\n"; empty once the program has closed it.
std::string ReadLine(int terminal)
{
    std::string line;
    char c;
    while (read(terminal, &c, 1) == 1) {
        if (c == '\n')
            break;
        if (c != '\r')
            line += c;
    }
    return line;
}

}  // namespace

TEST(BenchOnATerminal, EachFigureComesAsItIsMeasured)
{
    // A Pentium III's caches, so that the buffers are 4 MiB.
    const std::string caches = TestFile("cache");
    mkdir(caches.c_str(), 0755);
    mkdir((caches + "/index0").c_str(), 0755);
    std::ofstream(caches + "/index0/size") << "512K\n";
    std::ofstream(caches + "/index0/type") << "Unified\n";

    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    const std::string side = ptsname(terminal);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, side.c_str(), O_WRONLY | O_NOCTTY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const std::string cacheVariable = "TEST_CACHE_DIR=" + caches;
    char* argv[] = {const_cast<char*>(CTL_ON_FILES), const_cast<char*>("bench"), nullptr};
    char* envp[] = {const_cast<char*>(cacheVariable.c_str()), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, CTL_ON_FILES, &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);

    EXPECT_EQ(ReadLine(terminal), "buffers: 2 x 4 MiB (largest cache: 512 KiB), 5 rounds");
    std::string line = ReadLine(terminal);
    EXPECT_EQ(line.rfind("read: ", 0), 0u) << line;
    // Write and copy take five rounds of at least 0.1 s each: the program is still at them.
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the read figure came only at the end";

    std::string rest;
    while (!(line = ReadLine(terminal)).empty())
        if (line.rfind("note: ", 0) != 0)  // a busy round is said, but is no figure
            rest += line.substr(0, line.find(':')) + "\n";
    EXPECT_EQ(rest, "write\ncopy\nlatency\n");
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(terminal);
    for (const char* name : {"/index0/size", "/index0/type", "/index0", ""})
        std::remove((caches + name).c_str());
}
