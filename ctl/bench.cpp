#include "bench.h"

#include "cpu_time.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t MiB = 1024 * 1024;

size_t ParseSize(const std::string& text)  // "512K", "32768K", "8M", "1024 KB"
{
    size_t value = 0, at = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = value * 10 + size_t(text[at++] - '0');
    while (at < text.size() && text[at] == ' ')
        ++at;
    const char unit = at < text.size() ? text[at] : ' ';
    return unit == 'K' ? value * 1024 : unit == 'M' ? value * MiB : value;
}

// C's stdio rather than file streams: the Windows build links no file streams.
std::string ReadFirstLine(const std::string& path)
{
    std::string line;
    if (std::FILE* file = std::fopen(path.c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, file))
            line = buffer;
        std::fclose(file);
    }
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The buffers leave through here, so the compiler cannot prove that stores to them are dead or
// that loads from them are the same as before.
void __attribute__((noinline)) Escape(const void* p) { __asm__ __volatile__("" : : "r"(p) : "memory"); }

// Runs `rounds` rounds of `measure` (which returns the round's figure) into `figure`, with the
// share of a processor that each round had.
template <typename Measure>
void MeasureRounds(BenchFigure& figure, int rounds, Measure measure)
{
    for (int round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = ProcessCpuSeconds();
        figure.rounds.push_back(measure());
        const double wall = Seconds(Clock::now() - start);
        figure.cpuShares.push_back(wall > 0 ? (ProcessCpuSeconds() - cpuStart) / wall : 1.0);
    }
}

uint32_t Pattern(size_t i) { return uint32_t(i) * 2654435761u; }

uint32_t Sum(const uint32_t* p, size_t n)
{
    uint32_t a = 0, b = 0, c = 0, d = 0;
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        a += p[i];
        b += p[i + 1];
        c += p[i + 2];
        d += p[i + 3];
    }
    for (; i < n; ++i)
        a += p[i];
    return a + b + c + d;
}

// Repeats `pass` until a round has lasted `seconds`; returns bytes per second in MB/s.
template <typename Pass, typename Check>
double Bandwidth(size_t bytes, double seconds, Pass pass, Check checkStop)
{
    const Clock::time_point start = Clock::now();
    size_t passes = 0;
    double elapsed;
    do {
        checkStop();
        pass();
        ++passes;
        elapsed = Seconds(Clock::now() - start);
    } while (elapsed < seconds);
    return double(bytes) * double(passes) / elapsed / 1e6;
}

}  // namespace

CacheInfo ReadCacheInfo(const std::string& cacheFolder, const std::string& cpuinfo)
{
    CacheInfo info;
    for (int index = 0; index < 16; ++index) {
        const std::string folder = cacheFolder + "/index" + std::to_string(index);
        const std::string size = ReadFirstLine(folder + "/size");
        if (size.empty())
            continue;
        if (ReadFirstLine(folder + "/type") == "Instruction")
            continue;
        info.sizes.push_back(ParseSize(size));
        if (const size_t line = ParseSize(ReadFirstLine(folder + "/coherency_line_size")))
            info.lineBytes = line;
    }
    if (info.sizes.empty()) {
        if (std::FILE* file = std::fopen(cpuinfo.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, file)) {
                const std::string line = buffer;
                if (line.rfind("cache size", 0) == 0 && line.find(':') != std::string::npos) {
                    info.sizes.push_back(ParseSize(line.substr(line.find(':') + 2)));
                    break;
                }
            }
            std::fclose(file);
        }
    }
    return info;
}

size_t BenchBufferBytes(const CacheInfo& caches)
{
    uint64_t largest = 0;  // four times a large cache is more than a 32-bit size_t holds
    for (size_t size : caches.sizes)
        largest = std::max<uint64_t>(largest, size);
    return size_t(std::min<uint64_t>(std::max<uint64_t>(4 * largest, 4 * MiB), 256 * MiB));
}

std::vector<uint32_t> SingleCycle(size_t n, uint32_t seed)
{
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = uint32_t(i);
    std::mt19937 random(seed);
    for (size_t i = n; i-- > 1;)  // Sattolo: j < i, never j == i, so the result is one cycle
        std::swap(order[i], order[std::uniform_int_distribution<size_t>(0, i - 1)(random)]);
    std::vector<uint32_t> next(n);
    for (size_t i = 0; i < n; ++i)
        next[order[i]] = order[(i + 1) % n];
    return next;
}

bool IsSingleCycle(const std::vector<uint32_t>& next)
{
    if (next.empty())
        return false;
    size_t steps = 0;
    uint32_t at = 0;
    do {
        if (next[at] >= next.size())
            return false;
        at = next[at];
        ++steps;
    } while (at != 0 && steps <= next.size());
    return steps == next.size();
}

double BenchFigure::Median() const
{
    std::vector<double> sorted = rounds;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n == 0 ? 0 : n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

BenchResult RunBench(size_t bufferBytes, size_t lineBytes, int rounds, double secondsPerRound,
                     const std::function<void(const BenchFigure&)>& measured,
                     const volatile std::sig_atomic_t* stop)
{
    // Looked at between passes and every few MiB, never inside a timed loop.
    auto checkStop = [&] {
        if (stop && *stop)
            throw std::runtime_error("interrupted by signal " + std::to_string(*stop) + ": the bench stopped");
    };
    constexpr size_t StepWords = 1 << 20;
    const size_t words = bufferBytes / sizeof(uint32_t);
    std::unique_ptr<uint32_t[]> source(new uint32_t[words]), target(new uint32_t[words]);
    for (size_t i = 0; i < words; ++i) {
        if (i % StepWords == 0)
            checkStop();
        source[i] = Pattern(i);
        target[i] = 0;  // every page present before the clock runs
    }
    const uint32_t expected = Sum(source.get(), words);

    BenchResult result;
    result.bufferBytes = bufferBytes;
    auto done = [&](BenchFigure figure) {
        if (measured)
            measured(figure);
        result.figures.push_back(std::move(figure));
    };

    BenchFigure read{"read", "MB/s", {}, {}};
    MeasureRounds(read, rounds, [&] {
        return Bandwidth(bufferBytes, secondsPerRound, [&] {
            Escape(source.get());
            if (Sum(source.get(), words) != expected)
                throw std::runtime_error("bench: the read pass summed wrongly");
        }, checkStop);
    });
    done(read);

    BenchFigure write{"write", "MB/s", {}, {}};
    uint32_t fill = 0;
    MeasureRounds(write, rounds, [&] {
        return Bandwidth(bufferBytes, secondsPerRound, [&] {
            ++fill;
            uint32_t* p = target.get();
            for (size_t i = 0; i < words; ++i)
                p[i] = fill;
            Escape(p);
        }, checkStop);
    });
    if (Sum(target.get(), words) != uint32_t(fill * words))
        throw std::runtime_error("bench: the write pass did not reach every word");
    done(write);

    // Each byte copied counts once (STREAM's copy counts it twice, read and written).
    BenchFigure copy{"copy", "MB/s", {}, {}};
    MeasureRounds(copy, rounds, [&] {
        return Bandwidth(bufferBytes, secondsPerRound, [&] {
            Escape(source.get());
            std::memcpy(target.get(), source.get(), bufferBytes);
            Escape(target.get());
        }, checkStop);
    });
    if (Sum(target.get(), words) != expected)
        throw std::runtime_error("bench: the copy's checksum is wrong");
    done(copy);

    // The chase: one element a cache line, linked in one random cycle, so every load misses
    // the caches (and mostly the TLB too) and needs the one before it.
    const size_t stride = std::max<size_t>(lineBytes / sizeof(uint32_t), 1);
    const size_t elements = words / stride;
    checkStop();
    const std::vector<uint32_t> cycle = SingleCycle(elements, 0x815);
    checkStop();
    uint32_t* links = target.get();
    for (size_t i = 0; i < elements; ++i)
        links[i * stride] = uint32_t(cycle[i] * stride);
    Escape(links);
    BenchFigure latency{"latency", "ns", {}, {}};
    MeasureRounds(latency, rounds, [&] {
        checkStop();
        uint32_t at = 0;
        const Clock::time_point start = Clock::now();
        for (size_t step = 0; step < elements; ++step)
            at = links[at];
        const double elapsed = Seconds(Clock::now() - start);
        if (at != 0)
            throw std::runtime_error("bench: the chase did not come back to its start");
        return elapsed / double(elements) * 1e9;
    });
    done(latency);
    return result;
}

std::string FormatBenchHeader(size_t bufferBytes, const CacheInfo& caches, int rounds)
{
    uint64_t largest = 0;
    for (size_t size : caches.sizes)
        largest = std::max<uint64_t>(largest, size);
    std::string text = "buffers: 2 x " + std::to_string(bufferBytes / MiB) + " MiB (largest cache: " +
                       (largest ? std::to_string(largest / 1024) + " KiB" : std::string("unknown")) + "), " +
                       std::to_string(rounds) + (rounds == 1 ? " round\n" : " rounds\n");
    if (4 * largest > bufferBytes)
        text += "note: the buffers are capped at " + std::to_string(bufferBytes / MiB) +
                " MiB, less than four times the largest cache: part of each pass may come from the cache\n";
    return text;
}

std::string FormatBenchFigure(const BenchFigure& figure)
{
    char line[160];
    const auto [low, high] = std::minmax_element(figure.rounds.begin(), figure.rounds.end());
    std::snprintf(line, sizeof line, "%s: %.1f %s (median; %.1f to %.1f)\n", figure.name.c_str(), figure.Median(),
                  figure.unit.c_str(), low == figure.rounds.end() ? 0.0 : *low,
                  high == figure.rounds.end() ? 0.0 : *high);
    std::string text = line;
    for (size_t round = 0; round < figure.cpuShares.size(); ++round) {
        if (figure.cpuShares[round] >= BusyShare)
            continue;
        std::snprintf(line, sizeof line,
                      "note: %s, round %zu of %zu: this process had %.0f %% of a processor; other programs were "
                      "busy, so that round's figure is less sure\n",
                      figure.name.c_str(), round + 1, figure.rounds.size(), figure.cpuShares[round] * 100);
        text += line;
    }
    return text;
}

std::string FormatBench(const BenchResult& result, const CacheInfo& caches)
{
    std::string text = FormatBenchHeader(result.bufferBytes, caches,
                                         result.figures.empty() ? 0 : int(result.figures.front().rounds.size()));
    for (const BenchFigure& figure : result.figures)
        text += FormatBenchFigure(figure);
    return text;
}
