// Both window programs, started where no display can be opened: one line that says what to do,
// status 1, no signal, and the emulated chip never made (so never touched).
#include "../support/child_process.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status = -1;  // the raw wait status
    std::string out, err;
};

Outcome Start(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    ChildProcess child(args, environment);
    EXPECT_TRUE(child.ok()) << args[0];
    const int status = child.Finish();
    return {status, child.out, child.err};
}

const std::vector<std::string> Plain{"PATH=/usr/bin:/bin", "HOME=/tmp", "XDG_RUNTIME_DIR=/tmp"};

std::vector<std::string> With(std::vector<std::string> environment, const std::string& more)
{
    environment.push_back(more);
    return environment;
}

}  // namespace

TEST(NoDisplay, BothWindowProgramsSayWhatToDoAndEndWithOne)
{
    const std::string saved = ::testing::TempDir() + "quarvel_no_display_saved.txt";
    const struct {
        std::string program;
        std::vector<std::string> environment;
        const char* says;
    } cases[] = {
        {SIM_PROGRAM, Plain, "no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)"},
        {SIM_PROGRAM, With(Plain, "DISPLAY=:97"), "the display \":97\" cannot be opened"},
        {SIM_PROGRAM, With(Plain, "QT_QPA_PLATFORM=xcb"), "the window system \"xcb\" (QT_QPA_PLATFORM) cannot be started"},
        {HARDWARE_PROGRAM, Plain, "no display to show the window on"},
        {HARDWARE_PROGRAM, With(Plain, "DISPLAY=:97"), "the display \":97\" cannot be opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program + " " + c.environment.back());
        std::remove(saved.c_str());
        const bool sim = c.program == SIM_PROGRAM;
        const Outcome outcome = sim ? Start({c.program, "--save", saved}, c.environment) : Start({c.program}, c.environment);
        ASSERT_TRUE(WIFEXITED(outcome.status)) << "ended by a signal: " << outcome.err;
        EXPECT_EQ(WEXITSTATUS(outcome.status), 1);
        const std::string name = sim ? "i815quarvel-sim: " : "i815quarvel: ";
        EXPECT_EQ(outcome.err.rfind(name, 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("in a desktop session, over `ssh -X`, or under `xvfb-run` for a look\n"),
                  std::string::npos);
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
        if (sim) {
            EXPECT_FALSE(std::ifstream(saved).good()) << "the emulated chip was never made";
        }
    }
}

TEST(NoDisplay, APlatformChosenOnPurposeStillWorks)
{
    const Outcome version = Start({SIM_PROGRAM, "--version"}, Plain);
    EXPECT_EQ(version.out, "i815quarvel-sim (i815 Quarvel) 1.0\n");
    ASSERT_TRUE(WIFEXITED(version.status));
    EXPECT_EQ(WEXITSTATUS(version.status), 0);
}
