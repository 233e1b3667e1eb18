// i815ctl tune: the loop (tune.h) with the real memory test over a locked buffer and the real
// bench, the question before it starts, the table at the end and the profile of the result.
#include "tune_command.h"

#include "bench.h"
#include "command_table.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "files.h"
#include "json_output.h"
#include "locked_memory.h"
#include "profile_commands.h"
#include "terminal_answer.h"
#include "tune.h"

#include <cstdio>
#include <optional>
#include <ostream>
#include <stdexcept>

#include <unistd.h>

namespace {

constexpr int QuestionSeconds = 60;
constexpr int BenchRounds = 5;

bool Stopped(const StopSignal* stop) { return stop && *stop; }

void Ask(Invocation& call)
{
    DiscardTypedAhead(STDIN_FILENO);
    call.out << "tune writes the SDRAM timings and the memory arbiter's settings one step at a time toward\n"
                "speed, tests the memory after each and measures it. A timing the memory cannot keep may\n"
                "hang the machine, or corrupt data before the memory test sees the fault: run it from a\n"
                "system with nothing to lose, file systems quiet, no work open. A step that hangs the\n"
                "machine is recorded and never tried again; the boot-time apply will not write it.\n"
                "Start? Type yes within "
             << QuestionSeconds << " seconds: " << std::flush;
    const Answer answer = AskTerminal(STDIN_FILENO, QuestionSeconds);
    if (answer != Answer::Yes) {
        if (answer != Answer::No)
            call.out << "\n";
        throw StatusError(ExitFailure, "nothing written: tune was not started");
    }
}

std::string StepName(const TuneStep& step)
{
    return FieldKey(*step.to.field) + ": " + ValueWord(*step.from.field, step.from.state) + " -> " +
           ValueWord(*step.to.field, step.to.state);
}

}  // namespace

std::string FormatTuneStep(const TuneStep& step)
{
    char line[160];
    std::snprintf(line, sizeof line, "%-24s %-18s %6llu", StepName(step).c_str(), StepResultText(step.result),
                  (unsigned long long)step.errors);
    std::string text = line;
    for (double change : step.change) {
        std::snprintf(line, sizeof line, " %+7.1f%%", change);
        text += line;
    }
    return text + "\n";
}

std::string TuneTableHeader()
{
    return "step                     result             errors    read    write     copy  latency\n";
}

int TuneCommand(Invocation& call)
{
    if (call.routeChoice.dump && *call.routeChoice.dump == "-")
        throw StatusError(ExitBadInput, call.command + " reads its answer from standard input, which holds the dump "
                                                       "of --emulated=-");
    const std::string profilePath = call.File("--profile");
    const bool force = call.Flag("--force");
    if (!force && !IsTerminal(STDIN_FILENO))
        throw StatusError(ExitBadInput, "nothing written: tune asks before it starts, on a terminal; without one it "
                                        "starts only with --force");
    const size_t bufferBytes = MemoryTestBytes(call.Number("--memory"), PhysicalMemoryBytes());
    const JournalPlace place = TuneJournalPlace(call, profilePath);
    if (place.folder.empty() && call.routeChoice.kind != RouteKind::Emulated)
        throw StatusError(ExitBadInput, "nothing written: here tune keeps its hang journal beside the profile, "
                                        "where the boot-time apply looks for it; give --profile FILE");
    ConfigAccess& chip = call.Chip(true);
    if (call.route->taken() == RouteTaken::Helper)
        throw StatusError(ExitFailure, "nothing written: tune needs root (sudo i815ctl tune ...): its hang journal "
                                       "lies in root's folder, where the boot-time apply reads it");
    RequireI815(chip);

    std::optional<MarkerLock> running;
    if (!place.folder.empty()) {
        MakeFolder(place.folder, place.privateFolder);
        running.emplace(place.LockPath(), 1);
        if (!running->held())
            throw StatusError(ExitFailure, "nothing written: " + running->why() + "; is another tune running?");
    }

    LockedMemory memory(bufferBytes);
    if (!force)
        Ask(call);
    if (!memory.Locked())
        call.err << ProgramName << ": warning: the memory test's buffer: " << memory.LockError()
                 << "; its pages may move while it runs\n";

    const CacheInfo caches = ReadCacheInfo(call.system.cacheFolder, call.system.cpuinfoPath);
    const size_t benchBytes = BenchBufferBytes(caches);
    TuneProbes probes;
    probes.memoryTest = [&] {
        MemoryTestOptions options;
        options.stop = call.stop;
        return RunMemoryTest(memory.Words(), memory.WordCount(), options);
    };
    probes.bench = [&] {
        try {
            return RunBench(benchBytes, caches.lineBytes, BenchRounds, 0.1, {}, call.stop);
        } catch (const std::runtime_error&) {
            if (Stopped(call.stop))
                return BenchResult{};  // the loop sees the signal and puts the step back
            throw;
        }
    };
    TuneLimits limits;
    limits.seconds = call.Number("--minutes") * 60.0;

    const bool json = call.Flag("--json");
    if (!json)
        call.out << TuneTableHeader() << std::flush;
    const TuneRun run = RunTune(chip, place, probes, limits, call.stop, [&](const TuneStep& step) {
        if (!json)
            call.out << FormatTuneStep(step) << std::flush;
    });
    if (!run.recorded.empty())
        call.err << ProgramName << ": " << run.recorded << "\n";
    // The profile is the chip's whole state, as save writes it; none after an interruption.
    const bool save = !profilePath.empty() && !run.interrupted;
    if (save)
        SaveProfile(chip, profilePath, call.out);
    if (json) {
        TuneJson(run, save ? profilePath : "", call.out);
    } else {
        call.out << (run.kept.empty() ? "nothing kept" : std::to_string(run.kept.size()) + " setting" +
                                                             (run.kept.size() == 1 ? "" : "s") + " kept")
                 << (run.outOfTime ? "; out of time, the remaining steps not tried" : "") << "\n";
    }
    if (run.interrupted)
        throw StatusError(ExitFailure, "tune was interrupted; the step in progress is undone, the kept ones stay; "
                                       "no profile written");
    return ExitNormal;
}
