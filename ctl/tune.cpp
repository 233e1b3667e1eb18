#include "tune.h"

#include "config_access.h"
#include "dimm_decoder.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;

double Spread(const BenchFigure& figure)
{
    if (figure.rounds.empty())
        return 0;
    const auto [low, high] = std::minmax_element(figure.rounds.begin(), figure.rounds.end());
    return *high - *low;
}

bool Lower(const BenchFigure& figure) { return figure.unit == "ns"; }  // latency: less is faster

// More rounds of the same state: the medians settle, the spread shows what the machine does.
void AddRounds(BenchResult& into, const BenchResult& more)
{
    for (size_t i = 0; i < into.figures.size() && i < more.figures.size(); ++i) {
        BenchFigure& figure = into.figures[i];
        const BenchFigure& extra = more.figures[i];
        figure.rounds.insert(figure.rounds.end(), extra.rounds.begin(), extra.rounds.end());
        figure.cpuShares.insert(figure.cpuShares.end(), extra.cpuShares.begin(), extra.cpuShares.end());
    }
}

std::vector<double> Changes(const BenchResult& before, const BenchResult& after)
{
    std::vector<double> changes;
    for (size_t i = 0; i < before.figures.size() && i < after.figures.size(); ++i) {
        const double old = before.figures[i].Median();
        changes.push_back(old != 0 ? 100 * (after.figures[i].Median() - old) / old : 0);
    }
    return changes;
}

bool Stopped(const StopSignal* stop) { return stop && *stop; }

// A field frozen by its lock (the throttle limits under the throttle lock) cannot change.
bool Frozen(const Field& field, const std::map<uint32_t, uint32_t>& dwords)
{
    return field.lockedBy && DecodeFlag(*field.lockedBy, dwords.at(field.lockedBy->dword));
}

// A step killed without a hang leaves its value on the chip until a reset; tune would build on
// it, and save it into a profile that the boot-time apply then refuses.
void RefuseHungValueOnChip(ConfigAccess& chip, const TuneJournal& journal, const std::string& recorded)
{
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    for (const JournalEntry& hang : journal.hangs) {
        const Field& field = *hang.setting.field;
        if (FieldState(field, dwords.at(field.dword)) != hang.setting.state)
            continue;
        const auto at = std::find(field.faster.begin(), field.faster.end(), hang.setting.state);
        const std::string way = at != field.faster.begin() && at != field.faster.end()
                                    ? "set " + FieldKey(field) + "=" + ValueWord(field, *(at - 1)) + ", or reset"
                                    : "reset";
        throw StatusError(ExitFailure, (recorded.empty() ? "" : recorded + "\n") + "nothing written: the chip holds " +
                                           FieldKey(field) + "=" + ValueWord(field, hang.setting.state) +
                                           ", which hung this machine during tune; " + way + " the machine first");
    }
}

}  // namespace

const char* StepResultText(StepResult result)
{
    switch (result) {
    case StepResult::Kept: return "kept";
    case StepResult::MemoryErrors: return "memory errors";
    case StepResult::NoGain: return "no gain";
    case StepResult::HungBefore: return "hangs this machine";
    case StepResult::Interrupted: return "interrupted";
    }
    return "?";
}

size_t MemoryTestBytes(int mib, uint64_t physicalBytes)
{
    const uint64_t bytes = uint64_t(mib) << 20;
    const uint64_t room = std::min<uint64_t>(physicalBytes ? physicalBytes / 2 : UINT64_MAX, SIZE_MAX / 2);
    if (bytes > room)
        throw StatusError(ExitBadInput, "--memory " + std::to_string(mib) + ": more than " +
                                            (room == SIZE_MAX / 2 ? "this program can address"
                                                                  : "half of this machine's " +
                                                                        std::to_string(physicalBytes >> 20) + " MiB"));
    return size_t(bytes);
}

int CompareBench(const BenchResult& before, const BenchResult& after)
{
    bool faster = false;
    for (size_t i = 0; i < before.figures.size() && i < after.figures.size(); ++i) {
        const BenchFigure &old = before.figures[i], &now = after.figures[i];
        const double spread = std::max(Spread(old), Spread(now));
        const double gain = Lower(old) ? old.Median() - now.Median() : now.Median() - old.Median();
        if (gain < -spread)
            return -1;
        faster = faster || gain > spread;
    }
    return faster ? 1 : 0;
}

int LongestRefreshForDimms(ConfigAccess& chip)
{
    unsigned rowBits = 12;
    for (const Field* socket : {&Fields::Dimm0Population, &Fields::Dimm1Population, &Fields::Dimm2Population}) {
        const uint32_t code = FieldValue(*socket, chip.Read(socket->dword));
        if (code == 0)  // empty
            continue;
        unsigned most = 0;
        for (const DimmLayout& layout : DimmLayoutTable)
            if (layout.code == code)
                most = std::max(most, unsigned(layout.row));
        rowBits = std::max(rowBits, most ? most : 13u);
    }
    return LongestRefreshState(rowBits);
}

TuneRun RunTune(ConfigAccess& chip, const JournalPlace& place, const TuneProbes& probes, const TuneLimits& limits,
                const StopSignal* stop, const std::function<void(const TuneStep&)>& decided)
{
    TuneRun run;
    TuneJournal journal = ReadTuneJournal(place);
    run.recorded = RecordUnfinishedStep(place, journal);
    RefuseHungValueOnChip(chip, journal, run.recorded);
    const auto start = Clock::now();
    const auto elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    BenchResult base = probes.bench();
    // The refresh interval's positions run from long (1) to short (3).
    const int longestRefresh = LongestRefreshForDimms(chip);

    for (const Field* field : TunableFields()) {
        if (field->faster.empty())
            continue;
        for (;;) {
            if (Stopped(stop)) {
                run.interrupted = true;
                return run;
            }
            if (elapsed() >= limits.seconds) {
                run.outOfTime = true;
                return run;
            }
            const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
            if (Frozen(*field, dwords))
                break;
            const int from = FieldState(*field, dwords.at(field->dword));
            const int to = FasterState(*field, from);
            if (to == NoPosition || (field == &Fields::SMS && to < longestRefresh))
                break;
            TuneStep step{{field, from}, {field, to}, StepResult::NoGain, 0, {}};
            if (journal.Hangs(step.to)) {
                step.result = StepResult::HungBefore;
                run.steps.push_back(step);
                if (decided)
                    decided(step);
                break;
            }

            // The state before the step measured once more, its rounds merged with those it had:
            // a moment the machine was busy then widens the spread rather than lending the step
            // a gain.
            AddRounds(base, probes.bench());

            // On the disk before the write: a hang leaves no time to say what caused it.
            BeginStep(place, journal, step.to);
            try {
                SetFields(chip, {step.to});
                if (!Stopped(stop)) {
                    const MemoryTestResult memory = probes.memoryTest();
                    step.errors = memory.errorCount;
                    if (memory.errorCount)
                        step.result = StepResult::MemoryErrors;
                    else if (!memory.interrupted && !Stopped(stop)) {
                        // A gain must hold over a second measurement too, its rounds merged with
                        // the first's: a busy moment makes one figure look better, seldom two.
                        BenchResult after = probes.bench();
                        int verdict = CompareBench(base, after);
                        for (int tries = 1; (verdict == 0 || (verdict > 0 && tries < 2)) &&
                                            tries < limits.benchTries && !Stopped(stop);
                             ++tries) {
                            AddRounds(after, probes.bench());
                            verdict = CompareBench(base, after);
                        }
                        step.change = Changes(base, after);
                        if (verdict > 0 && !Stopped(stop)) {
                            step.result = StepResult::Kept;
                            base = after;
                        }
                    }
                }
                if (step.result != StepResult::MemoryErrors && step.result != StepResult::Kept && Stopped(stop))
                    step.result = StepResult::Interrupted;
                if (step.result != StepResult::Kept)
                    SetFields(chip, {step.from});  // whatever signal came: the old value goes back
            } catch (...) {
                SetFields(chip, {step.from});
                EndStep(place, journal);
                throw;
            }
            EndStep(place, journal);
            run.steps.push_back(step);
            if (decided)
                decided(step);
            if (step.result == StepResult::Interrupted) {
                run.interrupted = true;
                return run;
            }
            if (step.result != StepResult::Kept)
                break;  // the next value along would be harder still on the memory
            const auto same = std::find_if(run.kept.begin(), run.kept.end(),
                                           [field](const FieldSetting& kept) { return kept.field == field; });
            if (same != run.kept.end())
                same->state = to;
            else
                run.kept.push_back(step.to);
        }
    }
    return run;
}
