// The loop of tune on the emulated chip, with a memory test that fails on chosen settings and
// a bench with chosen figures.
#include "tune.h"

#include "emulated_i815.h"
#include "field_map.h"
#include "field_values.h"
#include "mechanism1_access.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>

#include <unistd.h>

using namespace Fields;

namespace {

// Every setting of the chip as KEY=VALUE words, to compare states.
std::map<std::string, std::string> Settings(ConfigAccess& chip)
{
    std::map<std::string, std::string> settings;
    for (const Field* field : TunableFields())
        settings[FieldKey(*field)] = ValueWord(*field, FieldState(*field, chip.Read(field->dword)));
    return settings;
}

BenchResult Figures(double read, double latency)
{
    BenchResult result;
    result.figures = {{"read", "MB/s", {read, read, read}, {1, 1, 1}}, {"latency", "ns", {latency}, {1}}};
    return result;
}

struct TuneBench {
    EmulatedI815 emulated;
    Mechanism1Access chip{emulated};
    JournalPlace place{TestFile("tune_loop")};
    std::map<std::string, std::string> kept;  // what the chip holds between two steps
    std::vector<std::string> tested;          // the setting that differed at each memory test
    int benches = 0;

    // A slow start: CAS, RAS to CAS and RAS precharge 3, Tras/Trc 7/9, refresh 1.28 us, SM
    // bypass off, reads limited to 75 %.
    TuneBench()
    {
        SetFields(chip, {{&CAS, 0}, {&RAS2CAS, 0}, {&RAS, 0}, {&DCT, 1}, {&SMS, 3}, {&SM, 0}, {&RDTHR, 2}});
        kept = Settings(chip);
    }
    ~TuneBench()
    {
        std::remove(place.Path().c_str());
        rmdir(place.folder.c_str());
    }

    // Checks that the chip differs from the kept state in the step's field alone.
    MemoryTestResult MemoryTest(const std::string& failsOn)
    {
        std::vector<std::string> differing;
        for (const auto& [key, value] : Settings(chip))
            if (kept.at(key) != value)
                differing.push_back(key + "=" + value);
        EXPECT_EQ(differing.size(), 1u);
        tested.push_back(differing.empty() ? "" : differing.front());
        MemoryTestResult result;
        result.patternsRun = 8;
        if (tested.back() == failsOn)
            result.errorCount = 3;
        return result;
    }

    // Reads gain 50 MB/s for each of these; RAS precharge 2 makes them slower, SM bypass does
    // nothing.
    BenchResult Bench()
    {
        ++benches;
        const std::map<std::string, std::string> now = Settings(chip);
        double read = 1000;
        for (const char* fast : {"ras2cas=2", "dct=5,7", "sms=7.8us", "sms=15.6us", "rdthr=87.5%", "rdthr=none"}) {
            const std::string key = std::string(fast).substr(0, std::string(fast).find('='));
            const std::string value = std::string(fast).substr(key.size() + 1);
            if (now.at(key) == value || (key == "sms" && value == "7.8us" && now.at(key) == "15.6us") ||
                (key == "rdthr" && value == "87.5%" && now.at(key) == "none"))
                read += 50;
        }
        if (now.at("ras") == "2")
            read -= 50;
        return Figures(read, 100);
    }

    void Decided(const TuneStep& step)
    {
        if (step.result == StepResult::Kept)
            kept[FieldKey(*step.to.field)] = ValueWord(*step.to.field, step.to.state);
        EXPECT_EQ(Settings(chip), kept) << "a step not kept is put back before the next";
    }

    TuneRun Run(const std::string& failsOn, const StopSignal* stop = nullptr,
                std::function<void()> inMemoryTest = {})
    {
        TuneProbes probes{[&, failsOn, inMemoryTest] {
                              if (inMemoryTest)
                                  inMemoryTest();
                              return MemoryTest(failsOn);
                          },
                          [&] { return Bench(); }};
        return RunTune(chip, place, probes, {}, stop, [&](const TuneStep& step) { Decided(step); });
    }
};

std::vector<std::string> Summary(const TuneRun& run)
{
    std::vector<std::string> steps;
    for (const TuneStep& step : run.steps)
        steps.push_back(FieldKey(*step.to.field) + "=" + ValueWord(*step.to.field, step.to.state) + ": " +
                        StepResultText(step.result));
    return steps;
}

}  // namespace

TEST(Tune, KeepsExactlyTheStepsWithoutErrorsThatGainAndPutsTheOthersBackAtOnce)
{
    TuneBench bench;
    const TuneRun run = bench.Run("cas=2");
    EXPECT_EQ(Summary(run), (std::vector<std::string>{
                                "sm=on: no gain", "rdthr=87.5%: kept", "rdthr=none: kept", "cas=2: memory errors",
                                "ras2cas=2: kept", "ras=2: no gain", "dct=5,7: kept", "sms=7.8us: kept",
                                "sms=15.6us: kept"}));
    EXPECT_EQ(run.steps[3].errors, 3u);
    // At the start, and the state before each step once more; then a gain measured twice, no
    // change three times, a loss once, memory errors not at all.
    EXPECT_EQ(bench.benches, 1 + 9 + 3 + 2 + 2 + 0 + 2 + 1 + 2 + 2 + 2);
    ASSERT_EQ(run.steps[1].change.size(), 2u);
    EXPECT_DOUBLE_EQ(run.steps[1].change[0], 5.0) << "read: 1000 -> 1050 MB/s";
    EXPECT_DOUBLE_EQ(run.steps[1].change[1], 0.0);
    EXPECT_FALSE(run.interrupted);
    EXPECT_EQ(run.recorded, "");

    std::map<std::string, std::string> expected = bench.kept;
    EXPECT_EQ(expected.at("cas"), "3");
    EXPECT_EQ(expected.at("ras2cas"), "2");
    EXPECT_EQ(expected.at("ras"), "3");
    EXPECT_EQ(expected.at("dct"), "5,7");
    EXPECT_EQ(expected.at("sms"), "15.6us");
    EXPECT_EQ(expected.at("sm"), "off");
    EXPECT_EQ(expected.at("rdthr"), "none");
    EXPECT_EQ(Settings(bench.chip), expected);
    EXPECT_EQ(run.kept.size(), 4u) << "rdthr, ras2cas, dct and sms, each once at its last state";

    const TuneJournal journal = ReadTuneJournal(bench.place);
    EXPECT_FALSE(journal.step.has_value()) << "every step decided";
    EXPECT_TRUE(journal.hangs.empty());
}

TEST(Tune, AStepLeftUnfinishedIsRecordedAndNeverTriedAndASignalPutsTheStepInProgressBack)
{
    TuneBench bench;
    mkdir(bench.place.folder.c_str(), 0700);
    // The run before named its CAS step and the machine hung inside it; one before that found
    // that Trcd 2 hangs it.
    std::ofstream(bench.place.Path()) << "hangs ras2cas=2 since 2026-12-09 13:00:00\n"
                                         "step cas=2 started 2026-12-09 14:31:05\n";
    volatile std::sig_atomic_t stop = 0;
    const TuneRun run = bench.Run("", &stop, [&] {
        if (Settings(bench.chip).at("dct") == "5,7")
            stop = SIGTERM;  // inside the Tras/Trc step, after its write
    });
    EXPECT_EQ(run.recorded, "cas=2 hung this machine during tune (2026-12-09 14:31:05); it will not be tried again");
    EXPECT_EQ(Summary(run), (std::vector<std::string>{"sm=on: no gain", "rdthr=87.5%: kept", "rdthr=none: kept",
                                                       "cas=2: hangs this machine", "ras2cas=2: hangs this machine",
                                                       "ras=2: no gain", "dct=5,7: interrupted"}));
    EXPECT_TRUE(run.interrupted);
    EXPECT_EQ(Settings(bench.chip).at("dct"), "7,9") << "put back";
    EXPECT_EQ(Settings(bench.chip).at("sms"), "1.28us") << "no step after the signal";
    for (const std::string& tested : bench.tested)
        EXPECT_TRUE(tested.rfind("cas=", 0) != 0 && tested.rfind("ras2cas=", 0) != 0) << tested;

    const TuneJournal journal = ReadTuneJournal(bench.place);
    EXPECT_FALSE(journal.step.has_value());
    EXPECT_TRUE(journal.Hangs({&CAS, 1}));
    EXPECT_TRUE(journal.Hangs({&RAS2CAS, 1}));
}

TEST(Tune, AGainCountsOnlyBeyondTheSpreadOfTheRounds)
{
    auto bench = [](std::vector<double> read, std::vector<double> latency) {
        BenchResult result;
        result.figures = {{"read", "MB/s", read, {}}, {"latency", "ns", latency, {}}};
        return result;
    };
    const BenchResult before = bench({100, 102, 104}, {150, 150, 150});
    EXPECT_EQ(CompareBench(before, bench({105, 106, 107}, {150, 150, 150})), 0) << "4 MB/s within a spread of 4";
    EXPECT_EQ(CompareBench(before, bench({107, 108, 109}, {150, 150, 150})), 1);
    EXPECT_EQ(CompareBench(before, bench({102, 102, 102}, {140, 140, 140})), 1) << "latency: less is faster";
    EXPECT_EQ(CompareBench(before, bench({107, 108, 109}, {160, 160, 160})), -1) << "a loss beyond the spread wins";
    EXPECT_EQ(CompareBench(before, bench({95, 96, 97}, {150, 150, 150})), -1);
}

TEST(Tune, TheMemoryTestTakesAtMostHalfTheMachinesMemory)
{
    EXPECT_EQ(MemoryTestBytes(64, 512u << 20), 64u << 20);
    EXPECT_EQ(MemoryTestBytes(256, 512u << 20), 256u << 20);
    EXPECT_EQ(MemoryTestBytes(64, 0), 64u << 20) << "memory not known";
    try {
        MemoryTestBytes(257, 512u << 20);
        ADD_FAILURE() << "257 MiB of 512";
    } catch (const StatusError& error) {
        EXPECT_EQ(error.status(), 2);
        EXPECT_STREQ(error.what(), "--memory 257: more than half of this machine's 512 MiB");
    }
    if (sizeof(size_t) == 4) {
        EXPECT_THROW(MemoryTestBytes(4096, 0), StatusError) << "4 GiB is no 32-bit size";
    }
}
