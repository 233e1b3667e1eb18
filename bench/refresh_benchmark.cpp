// One idle RefreshControls on the emulated chip, offscreen: how long it takes and how many
// port operations it makes (seven reads, two port instructions each); once made by the window
// itself, once through the helper over its pipe (the helper on a thread, a round trip per read).
#include "Unit1.h"
#include "emulated_i815.h"
#include "helper_client.h"
#include "helper_session.h"
#include "mechanism1_access.h"
#include "quarvel_window.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <csignal>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

void MeasureIdleRefresh(benchmark::State& state, ConfigAccess& access, EmulatedI815& chip)
{
    QuarvelWindow window(access);
    window.timer()->stop();
    chip.ClearTrace();
    for (auto _ : state) {
        window.core().RefreshControls();
        benchmark::DoNotOptimize(chip.Trace().size());
    }
    state.counters["port_ops_per_refresh"] =
        benchmark::Counter(double(chip.Trace().size()) / double(state.iterations()));
}

}  // namespace

static void IdleRefresh(benchmark::State& state)
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    MeasureIdleRefresh(state, access, chip);
}
BENCHMARK(IdleRefresh);

static void IdleRefreshThroughHelper(benchmark::State& state)
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    std::thread helper([&] {
        HelperSession session(access, [](const std::string&) {});
        ServeHelper(pair[1], pair[1], session);
        close(pair[1]);
    });
    {
        HelperConfigAccess client(pair[0]);
        MeasureIdleRefresh(state, client, chip);
    }
    helper.join();
}
BENCHMARK(IdleRefreshThroughHelper);

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
