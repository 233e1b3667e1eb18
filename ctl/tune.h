#pragma once
// The loop of i815ctl tune: single changes toward speed (the field table's direction), one at a
// time, each from the last kept state. Each step is named in the hang journal, written, tested
// for memory errors and measured; it is kept only with no error and a gain beyond the bench's
// own spread, otherwise put back at once. Platform-free: the memory test and the bench come in
// as functions (the real ones in tune_command.cpp, stand-ins in the tests).

#include "bench.h"
#include "field_settings.h"
#include "memory_test.h"
#include "tune_journal.h"

#include <functional>
#include <string>
#include <vector>

class ConfigAccess;

struct TuneProbes {
    std::function<MemoryTestResult()> memoryTest;
    std::function<BenchResult()> bench;
};

enum class StepResult {
    Kept,
    MemoryErrors,  // put back
    NoGain,        // put back: within the bench's spread, or slower
    HungBefore,    // not tried: the journal says it hangs this machine
    Interrupted,   // put back: a signal came inside the step
};
const char* StepResultText(StepResult result);  // "kept", "memory errors", ...

struct TuneStep {
    FieldSetting from, to;
    StepResult result;
    uint64_t errors = 0;
    // Read, write, copy and latency: the change against the state before the step, in per
    // cent (latency: negative is faster); empty when not measured.
    std::vector<double> change;
};

struct TuneRun {
    std::vector<TuneStep> steps;
    std::vector<FieldSetting> kept;  // the steps kept, each field at its last kept state
    bool interrupted = false;
    bool outOfTime = false;
    std::string recorded;  // the step that an earlier run left unfinished, now a hang; "" for none
};

struct TuneLimits {
    double seconds = 600;  // no step begins after this
    int benchTries = 3;    // measurements of a step before an unclear gain counts as none; a gain needs two
};

// The memory test's buffer of `mib` MiB, in bytes, on a machine with `physicalBytes` of memory
// (0: not known): at most half of it, so that locking the buffer leaves the system its room,
// and within what this program can address. Throws StatusError (status 2) beyond that.
size_t MemoryTestBytes(int mib, uint64_t physicalBytes);

// The verdict on a change from `before` to `after`: 1 faster (a figure gained more than the
// larger spread of the two, none lost as much), -1 slower (a figure lost that much), 0 unclear.
int CompareBench(const BenchResult& before, const BenchResult& after);

// Of the refresh intervals, the longest that the DIMMs the chip reports can live with
// (an unknown population code counts as 8192 rows).
int LongestRefreshForDimms(ConfigAccess& chip);

// Runs the loop, first recording a step that an earlier run left unfinished, and refusing to
// start (StatusError, nothing written) while the chip holds a value that hung it; `decided` is
// told of each step as soon as it is decided. Throws StatusError when the chip refuses a write;
// the step in progress is put back first.
TuneRun RunTune(ConfigAccess& chip, const JournalPlace& place, const TuneProbes& probes, const TuneLimits& limits,
                const StopSignal* stop, const std::function<void(const TuneStep&)>& decided = {});
