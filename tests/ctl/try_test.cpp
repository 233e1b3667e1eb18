// i815ctl try as a user meets it: a real process on a stand-in for the kernel's file, a pipe or
// a real terminal for its terminal, real signals. Only the tried settings ever change, and they
// go back unless kept.
#include "config_lock.h"
#include "emulated_i815.h"

#include "../support/child_process.h"
#include "../support/terminal_process.h"
#include "../support/test_files.h"

#include <csignal>
#include <memory>
#include <string>

namespace {

// What try says on stderr before it writes a CAS latency.
const std::string CasWarning = "i815ctl: warning: cas = 3 clocks: changing the CAS latency may hang the machine\n";

class TryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config = TestFile("config");
        WriteSpaceFile(config, EmulatedI815::DefaultImage());
    }
    void TearDown() override
    {
        std::remove(config.c_str());
    }

    // Starts `i815ctl --kernel try --force ARGS` and reads its output up to the question. Its
    // answer comes through a pipe, where a value with a warning needs --force.
    void Start(std::vector<std::string> args)
    {
        args.insert(args.begin(), {CTL_ON_FILES, "--kernel", "try", "--force"});
        ctl = std::make_unique<ChildProcess>(args, std::vector<std::string>{"TEST_KERNEL_CONFIG=" + config,
                                                                            "TEST_LOCK=" + TestLock()});
        ASSERT_TRUE(ctl->ok());
        said.clear();
        while (said.find("Type yes within") == std::string::npos) {
            const std::string more = ctl->ReadUntil(": ");  // the question has no line feed
            if (more.empty())
                break;
            said += more;
        }
    }
    // Ends the conversation (its terminal closed, if still open); returns the exit status, with
    // the rest of the output in `said` and the messages in `error`.
    int Finish()
    {
        const int status = ctl->Finish();
        said = ctl->out;
        error = ctl->err;
        EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal";
        return WEXITSTATUS(status);
    }
    void Answer(const std::string& line) { ctl->Write(line); }
    EmulatedI815 Chip() const { return EmulatedI815(ReadSpaceFile(config)); }
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
    std::unique_ptr<ChildProcess> ctl;
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
    EXPECT_EQ(error, CasWarning);
    EXPECT_EQ(Chip().Dword(0x50), 0x237C0244u);
    ExpectOnlyTriedFieldsDiffer();
}

TEST_F(TryTest, AnythingButYesPutsThePreviousValuesBack)
{
    Start({"cas=3", "amtt=0x40"});
    Answer("no\n");
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, CasWarning + "i815ctl: not kept; undone: amtt back to 32, cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

// Another program of ours holding the lock for longer than its time-out delays the undo, and
// the undo says so, but it never gives up.
TEST_F(TryTest, TheUndoWaitsForTheLockAsLongAsItMust)
{
    Start({"cas=3"});
    ConfigLock held(TestLock());
    held.Acquire();
    Answer("no\n");
    EXPECT_EQ(ctl->ReadLine(), "The lock file " + TestLock() +
                                   " has been held by another program for 5 seconds; still waiting for it, to undo cas");
    EXPECT_EQ(Chip().Dword(0x50), 0x237C0244u) << "nothing undone while the lock is held";
    held.Release();
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, CasWarning + "i815ctl: not kept; undone: cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

TEST_F(TryTest, NoAnswerInTimeOrATerminalGoneIsAnUndo)
{
    Start({"--seconds", "1", "cas=3", "amtt=64"});
    EXPECT_NE(said.find("Type yes within 1 second: "), std::string::npos) << said;
    ExpectOnlyTriedFieldsDiffer();
    usleep(1500 * 1000);  // the terminal stays open, silent
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, CasWarning + "i815ctl: no \"yes\" within 1 second; undone: amtt back to 32, cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());

    said.clear();
    error.clear();
    Start({"cas=3"});
    ctl->CloseInput();
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(error, CasWarning + "i815ctl: the terminal went away; undone: cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

TEST_F(TryTest, AHangUpOrAnInterruptIsAnUndo)
{
    for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
        said.clear();
        error.clear();
        Start({"cas=3", "amtt=64"});
        kill(ctl->pid(), signal);
        EXPECT_EQ(Finish(), 1);
        const std::string why = signal == SIGHUP ? "the terminal hung up" : "interrupted by signal " + std::to_string(signal);
        EXPECT_EQ(error, CasWarning + "i815ctl: " + why + "; undone: amtt back to 32, cas back to 2 clocks\n");
        EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
    }
}

TEST_F(TryTest, TheThrottleLockIsRefused)
{
    Start({"rdthr=none", "thrlock=on"});
    EXPECT_EQ(Finish(), 2);
    EXPECT_NE(error.find("try does not set the throttle lock: once set, only a reset clears it"), std::string::npos)
        << error;
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage()) << "nothing written, not even the limit";
}

// A "yes" that waits in a pipe (`yes | i815ctl try ...`) was written before anybody saw the
// machine after the change: from a pipe or a file a value with a warning needs --force, as set
// does; a value without one is tried as on a terminal.
TEST_F(TryTest, FromAPipeAValueWithAWarningNeedsForce)
{
    ChildProcess risky({CTL_ON_FILES, "--kernel", "try", "cas=3", "amtt=64"},
                       {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
    ASSERT_TRUE(risky.ok());
    risky.Write("yes\n");
    const int status = risky.Finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(risky.out, "");
    EXPECT_EQ(risky.err, CasWarning + "i815ctl: nothing written: try takes its answer from a terminal; answered "
                                      "from a pipe or a file, it gives the chip a value with a warning only with "
                                      "--force\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());

    ChildProcess plain({CTL_ON_FILES, "--kernel", "try", "amtt=64"},
                       {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
    ASSERT_TRUE(plain.ok());
    plain.Write("yes\n");
    const int kept = plain.Finish();
    ASSERT_TRUE(WIFEXITED(kept));
    EXPECT_EQ(WEXITSTATUS(kept), 0) << plain.err;
    EXPECT_EQ(Chip().Dword(0xBC), 0x00002040u);
}

// Input that never ends a line (</dev/zero) cannot hold the deadline off.
TEST_F(TryTest, TheDeadlineHoldsWhateverTheInput)
{
    ChildProcess ctl({"/bin/sh", "-c", "exec \"$@\" </dev/zero", "sh", CTL_ON_FILES, "--kernel", "try", "--seconds", "1",
                      "--force", "cas=3"},
                     {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
    ASSERT_TRUE(ctl.ok());
    EXPECT_TRUE(ctl.EndsWithin(3000)) << "still asking 3 seconds later";
    const int status = ctl.Finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ctl.err, CasWarning + "i815ctl: no \"yes\" within 1 second; undone: cas back to 2 clocks\n");
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

// Output and messages in one pipe, as in a log: the question's line ends before the reason.
TEST_F(TryTest, TheQuestionsLineEndsBeforeTheReasonInOnePipe)
{
    ChildProcess ctl({"/bin/sh", "-c", "exec \"$@\" 2>&1 </dev/zero", "sh", CTL_ON_FILES, "--kernel", "try",
                      "--seconds", "1", "amtt=64"},
                     {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
    ASSERT_TRUE(ctl.ok());
    ctl.Finish();
    const std::string end = "Keep these settings? Type yes within 1 second: \n"
                            "i815ctl: no \"yes\" within 1 second; undone: amtt back to 32\n";
    ASSERT_GE(ctl.out.size(), end.size()) << ctl.out;
    EXPECT_EQ(ctl.out.substr(ctl.out.size() - end.size()), end);
}

// A "yes" typed (or pasted) before the question, while nobody had seen the machine after the
// change, is no answer: the terminal's input from before the question is thrown away.
TEST_F(TryTest, AYesTypedAheadOnTheTerminalIsNoAnswer)
{
    TerminalProcess terminal({CTL_ON_FILES, "--kernel", "try", "--seconds", "1", "cas=3"},
                             {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
    ASSERT_TRUE(terminal.ok());
    terminal.Type("yes\r");  // before the program has even started to ask
    const int status = terminal.Finish(5000);
    EXPECT_TRUE(WIFEXITED(status)) << terminal.shown;
    EXPECT_EQ(WEXITSTATUS(status), 1) << terminal.shown;
    EXPECT_NE(terminal.shown.find("i815ctl: no \"yes\" within 1 second; undone: cas back to 2 clocks"),
              std::string::npos)
        << terminal.shown;
    EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
}

// On a real terminal: Ctrl-\ undoes as Ctrl-C does; Ctrl-Z undoes before the program stops,
// so a stopped job never holds tried settings.
TEST_F(TryTest, CtrlBackslashAndCtrlZOnTheTerminalUndoFirst)
{
    const struct {
        const char* key;
        const char* said;
        bool stops;
    } keys[] = {
        {"\x03", "i815ctl: interrupted by signal 2; undone: amtt back to 32, cas back to 2 clocks\n", false},
        {"\x1c", "i815ctl: interrupted by signal 3; undone: amtt back to 32, cas back to 2 clocks\n", false},
        {"\x1a", "i815ctl: suspended (Ctrl-Z); undone: amtt back to 32, cas back to 2 clocks\n", true},
    };
    for (const auto& key : keys) {
        SCOPED_TRACE(int(key.key[0]));
        WriteSpaceFile(config, EmulatedI815::DefaultImage());
        TerminalProcess terminal({CTL_ON_FILES, "--kernel", "try", "cas=3", "amtt=64"},
                                 {"TEST_KERNEL_CONFIG=" + config, "TEST_LOCK=" + TestLock()});
        ASSERT_TRUE(terminal.ok());
        ASSERT_NE(terminal.ReadUntil("Type yes within 20 seconds: ").find("Type yes"), std::string::npos)
            << terminal.shown;
        EXPECT_NE(Chip().Dword(0x50), 0x277C0244u) << "tried";
        terminal.Type(key.key);
        if (key.stops) {
            ASSERT_NE(terminal.ReadUntil("[stopped]\n").find("[stopped]"), std::string::npos) << terminal.shown;
            EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage()) << "undone before it stopped";
        }
        const int status = terminal.Finish(5000);
        EXPECT_TRUE(WIFEXITED(status)) << terminal.shown;
        EXPECT_EQ(WEXITSTATUS(status), 1) << terminal.shown;
        EXPECT_NE(terminal.shown.find(key.said), std::string::npos) << terminal.shown;
        EXPECT_EQ(Chip().Space(), EmulatedI815::DefaultImage());
    }
}
