#include "bench.h"

#include "command_table.h"
#include "exit_status.h"
#include "interruption.h"
#include "json_output.h"

#include <ostream>

int BenchCommand(Invocation& call)
{
    const int rounds = call.Number("--repeat");
    const CacheInfo caches = ReadCacheInfo(call.system.cacheFolder, call.system.cpuinfoPath);
    const size_t bytes = BenchBufferBytes(caches);
    if (call.Flag("--json")) {
        BenchJson(RunBench(bytes, caches.lineBytes, rounds, 0.1, {}, call.stop), caches, rounds, call.out);
        return ExitNormal;
    }
    // Each figure as soon as it is measured: a terminal shows it at once.
    call.out << FormatBenchHeader(bytes, caches, rounds) << std::flush;
    RunBench(bytes, caches.lineBytes, rounds, 0.1,
             [&](const BenchFigure& figure) { call.out << FormatBenchFigure(figure) << std::flush; },
             call.stop);
    return ExitNormal;
}
