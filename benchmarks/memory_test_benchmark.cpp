// The memory test's pace over a buffer well beyond the caches: one round of every pattern,
// counted in the bytes it reads back and compares (the rate i815ctl tune prints). The buffer
// is merely allocated, not locked: locking needs root or a large RLIMIT_MEMLOCK and does not
// change the pace of resident pages.
#include "memory_test.h"

#include <benchmark/benchmark.h>

#include <vector>

static void MemoryTestRound(benchmark::State& state)
{
    std::vector<uint32_t> buffer(size_t(state.range(0)) * 1024 * 1024 / sizeof(uint32_t));
    uint64_t checked = 0;
    for (auto _ : state) {
        const MemoryTestResult result = RunMemoryTest(buffer.data(), buffer.size(), {});
        if (result.errorCount)
            state.SkipWithError("the memory test found an error");
        checked += result.bytesChecked;
    }
    state.SetBytesProcessed(int64_t(checked));
}
BENCHMARK(MemoryTestRound)->Arg(64)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
