// The hang journal of tune: a step named on the disk before its write, so that a hang or a
// killed process inside it is seen afterwards and that setting never written again.
#include "tune_journal.h"

#include "exit_status.h"
#include "field_map.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Text(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct JournalFolder {
    JournalPlace place{TestFile("tune_state")};
    JournalFolder() { place.privateFolder = true; }
    ~JournalFolder()
    {
        std::remove(place.Path().c_str());
        rmdir(place.folder.c_str());
    }
};

}  // namespace

TEST(TuneJournal, AStepKilledHalfWayIsRecordedAsAHangAndTheJournalWrittenWhole)
{
    JournalFolder folder;
    TuneJournal journal;
    BeginStep(folder.place, journal, {&Fields::RAS2CAS, 0});
    EndStep(folder.place, journal);  // decided: kept or put back

    // A process that names its step and is killed before it decides it, as by a hang.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TuneJournal inChild = ReadTuneJournal(folder.place);
        BeginStep(folder.place, inChild, {&Fields::CAS, 1});
        kill(getpid(), SIGKILL);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    struct stat info {};
    ASSERT_EQ(stat(folder.place.folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "root's alone";
    const std::string left = Text(folder.place.Path());
    EXPECT_NE(left.find("\nstep cas=2 started 20"), std::string::npos) << left;

    journal = ReadTuneJournal(folder.place);
    ASSERT_TRUE(journal.step.has_value());
    const std::string said = RecordUnfinishedStep(folder.place, journal);
    EXPECT_EQ(said, "cas=2 hung this machine during tune (" + journal.hangs.front().when +
                        "); it will not be tried again");
    EXPECT_EQ(RecordUnfinishedStep(folder.place, journal), "") << "once";

    const TuneJournal after = ReadTuneJournal(folder.place);
    EXPECT_FALSE(after.step.has_value());
    ASSERT_EQ(after.hangs.size(), 1u);
    EXPECT_TRUE(after.Hangs({&Fields::CAS, 1}));
    EXPECT_FALSE(after.Hangs({&Fields::CAS, 0})) << "CAS 3 is not CAS 2";
    EXPECT_FALSE(after.Hangs({&Fields::RAS2CAS, 0}));
}

TEST(TuneJournal, ItsLinesAreReadBackAndAnythingElseIsRefusedNamingTheLine)
{
    const TuneJournal journal = ParseTuneJournal("# a comment\n"
                                                 "hangs cas=2 since 2026-12-09 14:20:00\r\n"
                                                 "\n"
                                                 "hangs sms=15.6us since 2026-12-09 14:25:00\n"
                                                 "step dct=5,7 started 2026-12-09 14:31:05\n",
                                                 "J");
    ASSERT_EQ(journal.hangs.size(), 2u);
    EXPECT_EQ(journal.hangs[1].setting.field, &Fields::SMS);
    EXPECT_EQ(journal.hangs[1].setting.state, 1);
    EXPECT_EQ(journal.hangs[0].when, "2026-12-09 14:20:00");
    ASSERT_TRUE(journal.step.has_value());
    EXPECT_EQ(journal.step->setting.field, &Fields::DCT);
    EXPECT_EQ(journal.step->setting.state, 0);
    EXPECT_EQ(FormatTuneJournal(journal).substr(FormatTuneJournal(journal).find("\nhangs") + 1),
              "hangs cas=2 since 2026-12-09 14:20:00\n"
              "hangs sms=15.6us since 2026-12-09 14:25:00\n"
              "step dct=5,7 started 2026-12-09 14:31:05\n");

    for (const auto& [text, why] : std::vector<std::pair<std::string, std::string>>{
             {"hangs cas=2\n", "J: line 1: neither"},
             {"# ok\nhung cas=2 since 2026-12-09 14:20:00\n", "J: line 2: neither"},
             {"hangs cas=2 started 2026-12-09 14:20:00\n", "J: line 1: neither"},
             {"hangs cas=4 since 2026-12-09 14:20:00\n", "J: line 1: "},
             {"step cas=2 started 2026-12-09 14:20:00\nstep ras=2 started 2026-12-09 14:21:00\n",
              "J: line 2: a second step in progress"}}) {
        try {
            ParseTuneJournal(text, "J");
            ADD_FAILURE() << text;
        } catch (const StatusError& error) {
            EXPECT_EQ(error.status(), ExitBadInput);
            EXPECT_EQ(std::string(error.what()).rfind(why, 0), 0u) << error.what();
        }
    }
}
