#pragma once
// i815ctl bench: what a chipset setting does to memory, measured in plain portable C++ (the
// i686 build has no SSE2): read, write and copy bandwidth, and load-to-use latency by a chase
// through one random cycle. Buffers well beyond the caches; no privilege, no chip register.

#include <csignal>
#include <cstddef>
#include <cstdint>
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
    double Median() const;
};

struct BenchResult {
    size_t bufferBytes = 0;
    std::vector<BenchFigure> figures;
};

// Throws std::runtime_error when a check fails (a copy whose checksum is wrong, a chase that
// did not come back): a figure that cannot be trusted is never printed. Once `stop` holds a
// signal, stops within a fraction of a second (on a buffer of 256 MiB) and throws
// std::runtime_error saying so.
BenchResult RunBench(size_t bufferBytes, size_t lineBytes, int rounds, double secondsPerRound,
                     const volatile std::sig_atomic_t* stop = nullptr);
std::string FormatBench(const BenchResult& result, const CacheInfo& caches);
