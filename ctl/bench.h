#pragma once
// i815ctl bench: what a chipset setting does to memory, measured in plain portable C++ (the
// i686 build has no SSE2): read, write and copy bandwidth, and load-to-use latency by a chase
// through one random cycle. Buffers well beyond the caches; no privilege, no chip register.

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CacheInfo {
    std::vector<size_t> sizes;  // bytes, every level the system reports
    size_t lineBytes = 64;
};

// From sysfs (cpu0's cache folders), else /proc/cpuinfo's "cache size", else nothing.
CacheInfo ReadCacheInfo(const std::string& cacheFolder = "/sys/devices/system/cpu/cpu0/cache",
                        const std::string& cpuinfo = "/proc/cpuinfo");
// Four times the largest cache, at least 4 MiB (a Pentium III's 512 KiB L2 gives 4 MiB) and at
// most 256 MiB; 4 MiB when no cache is known.
size_t BenchBufferBytes(const CacheInfo& caches);

// A random permutation of 0..n-1 that is one single cycle (Sattolo's algorithm): following
// next from any element visits every element once before it comes back.
std::vector<uint32_t> SingleCycle(size_t n, uint32_t seed);
bool IsSingleCycle(const std::vector<uint32_t>& next);

struct BenchFigure {
    std::string name;  // read, write, copy, latency
    std::string unit;  // MB/s or ns
    std::vector<double> rounds;
    std::vector<double> cpuShares;  // of each round: the processor time it had, as a share of one processor
    double Median() const;
};

// A round that had less of a processor than this shared it with other programs.
constexpr double BusyShare = 0.9;

struct BenchResult {
    size_t bufferBytes = 0;
    std::vector<BenchFigure> figures;
};

// Measures the figures one after the other, each in `rounds` rounds, and hands each to
// `measured` as soon as it is done. Throws std::runtime_error when a check fails (a copy whose
// checksum is wrong, a chase that did not come back): a figure that cannot be trusted is never
// printed. Once `stop` holds a signal, stops within a fraction of a second (on a buffer of
// 256 MiB) and throws std::runtime_error saying so.
BenchResult RunBench(size_t bufferBytes, size_t lineBytes, int rounds, double secondsPerRound,
                     const std::function<void(const BenchFigure&)>& measured = {},
                     const volatile std::sig_atomic_t* stop = nullptr);

// "buffers: 2 x 4 MiB (largest cache: 512 KiB), 5 rounds", and a note when the buffers are
// capped below four times the largest cache.
std::string FormatBenchHeader(size_t bufferBytes, const CacheInfo& caches, int rounds);
// "read: 1234.5 MB/s (median; 1200.0 to 1250.3)", and a note for each round that had less than
// BusyShare of a processor.
std::string FormatBenchFigure(const BenchFigure& figure);
// The header and every figure.
std::string FormatBench(const BenchResult& result, const CacheInfo& caches);

struct Invocation;
// The command (command_table.h; bench_command.cpp): the figures of --repeat N rounds, each
// printed as soon as it is measured.
int BenchCommand(Invocation& call);
