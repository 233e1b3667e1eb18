// One idle RefreshControls on the emulated chip, offscreen: how long it takes and how many
// port operations it makes (seven reads, two port instructions each); once made by the window
// itself, once through the helper over its pipe (the helper on a thread, a round trip per read),
// and once as a user's window runs on Linux: through the helper on the kernel's file. A plain
// file holding an i815's configuration space stands in for the sysfs one there (no i815 here);
// KernelConfigRead measures what one read of this machine's own sysfs file costs on top.
#include "main_form.h"
#include "emulated_i815.h"
#include "helper_config_access.h"
#include "helper_session.h"
#include "kernel_config_access.h"
#include "mechanism1_access.h"
#include "qt_form_window.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

void MeasureIdleRefresh(benchmark::State& state, ConfigAccess& access, EmulatedI815& chip)
{
    QtFormWindow window(access);
    window.timer()->stop();
    chip.KeepTrace();
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

static void IdleRefreshThroughHelperOnKernelFile(benchmark::State& state)
{
    char path[] = "/tmp/quarvel_bench_config_XXXXXX";
    const int file = mkstemp(path);
    const ConfigSpace image = EmulatedI815::DefaultImage();
    if (file < 0 || write(file, image.data(), image.size()) != ssize_t(image.size())) {
        state.SkipWithError("no file for the configuration space");
        return;
    }
    close(file);
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    {
        KernelConfigAccess kernel(path, true, nullptr);
        std::thread helper([&] {
            HelperSession session(kernel, [](const std::string&) {});
            ServeHelper(pair[1], pair[1], session);
            close(pair[1]);
        });
        {
            HelperConfigAccess client(pair[0]);
            QtFormWindow window(client);
            window.timer()->stop();
            for (auto _ : state)
                window.core().RefreshControls();
        }
        helper.join();
    }
    unlink(path);
}
BENCHMARK(IdleRefreshThroughHelperOnKernelFile);

// One pread of dword 0x00 from this machine's own host bridge: a configuration cycle by the
// kernel, under its lock.
static void KernelConfigRead(benchmark::State& state)
{
    try {
        KernelConfigAccess kernel("/sys/bus/pci/devices/0000:00:00.0/config", false, nullptr);
        for (auto _ : state)
            benchmark::DoNotOptimize(kernel.Read(0x00));
    } catch (const std::exception& refused) {
        state.SkipWithError(refused.what());
    }
}
BENCHMARK(KernelConfigRead);

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
