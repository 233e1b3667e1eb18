// One idle RefreshControls on the emulated chip, offscreen: how long it takes and how many
// port operations it makes (seven reads, two port instructions each).
#include "Unit1.h"
#include "emulated_i815.h"
#include "config_access.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

static void IdleRefresh(benchmark::State& state)
{
    EmulatedI815 chip;
    SelectPortAccess(&chip);
    TMForm form;
    form.iRefreshTmr->stop();
    chip.ClearTrace();
    for (auto _ : state) {
        form.RefreshControls();
        benchmark::DoNotOptimize(chip.Trace().size());
    }
    state.counters["port_ops_per_refresh"] =
        benchmark::Counter(double(chip.Trace().size()) / double(state.iterations()));
    SelectPortAccess(nullptr);
}
BENCHMARK(IdleRefresh);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
