#include "memory_test.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// Words between two looks at the stop signal: 256 KiB, a few milliseconds on a Pentium III.
constexpr size_t Chunk = size_t(1) << 16;

// xorshift32: cheap enough not to hide the memory's speed, and replayed from its seed to
// check what it wrote.
struct RandomWords {
    uint32_t state;
    uint32_t operator()(size_t)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

class PatternRun {
public:
    PatternRun(uint32_t* words, size_t count, const MemoryTestOptions& options, MemoryTestResult& result)
        : words_(words), count_(count), options_(options), result_(result)
    {
    }

    bool Stopped() const { return options_.stop && *options_.stop; }

    // Fills the buffer with value(i), in ascending order, and checks it back the same way;
    // value is called once per word and pass, in order, so a generator may keep state.
    template <typename Value>
    bool FillAndCheck(MemoryPattern pattern, Value value)
    {
        Value replay = value;
        return Fill(value) && Written(pattern) && Check(pattern, replay);
    }

    // Moving inversions with the word `pattern`: each word is read and inverted in turn,
    // upwards, then read and inverted back, downwards, so that every word is read right after
    // its lower (then upper) neighbour was written.
    bool MovingInversions(uint32_t pattern)
    {
        auto solid = [pattern](size_t) { return pattern; };
        if (!Fill(solid) || !Written(MemoryPattern::MovingInversions))
            return false;
        volatile uint32_t* words = words_;
        for (size_t start = 0; start < count_; start += Chunk) {
            const size_t end = start + Chunk < count_ ? start + Chunk : count_;
            for (size_t i = start; i < end; ++i) {
                const uint32_t found = words[i];
                if (found != pattern)
                    Mismatch(MemoryPattern::MovingInversions, i, pattern, found);
                words[i] = ~pattern;
            }
            result_.bytesChecked += (end - start) * sizeof(uint32_t);
            if (Stopped())
                return false;
        }
        for (size_t end = count_; end > 0;) {
            const size_t start = end > Chunk ? end - Chunk : 0;
            for (size_t i = end; i-- > start;) {
                const uint32_t found = words[i];
                if (found != ~pattern)
                    Mismatch(MemoryPattern::MovingInversions, i, ~pattern, found);
                words[i] = pattern;
            }
            result_.bytesChecked += (end - start) * sizeof(uint32_t);
            end = start;
            if (Stopped())
                return false;
        }
        return true;
    }

private:
    template <typename Value>
    bool Fill(Value& value)
    {
        volatile uint32_t* words = words_;
        for (size_t start = 0; start < count_; start += Chunk) {
            const size_t end = start + Chunk < count_ ? start + Chunk : count_;
            for (size_t i = start; i < end; ++i)
                words[i] = value(i);
            if (Stopped())
                return false;
        }
        return true;
    }

    template <typename Value>
    bool Check(MemoryPattern pattern, Value& value)
    {
        const volatile uint32_t* words = words_;
        for (size_t start = 0; start < count_; start += Chunk) {
            const size_t end = start + Chunk < count_ ? start + Chunk : count_;
            for (size_t i = start; i < end; ++i) {
                const uint32_t expected = value(i);
                const uint32_t found = words[i];
                if (found != expected)
                    Mismatch(pattern, i, expected, found);
            }
            result_.bytesChecked += (end - start) * sizeof(uint32_t);
            if (Stopped())
                return false;
        }
        return true;
    }

    bool Written(MemoryPattern pattern)
    {
        if (options_.written)
            options_.written(pattern, words_, count_);
        return true;
    }

    void Mismatch(MemoryPattern pattern, size_t index, uint32_t expected, uint32_t found)
    {
        if (result_.errors.size() < MemoryTestKeptErrors)
            result_.errors.push_back({pattern, index * sizeof(uint32_t), expected, found});
        ++result_.errorCount;
    }

    uint32_t* words_;
    size_t count_;
    const MemoryTestOptions& options_;
    MemoryTestResult& result_;
};

// One pattern, in round `round` (repeats vary their values, so that a second round does not
// write what the first left behind). False when a signal stopped it.
bool RunPattern(PatternRun& run, MemoryPattern pattern, uint32_t round)
{
    const uint32_t flip = round % 2 ? 0xFFFFFFFFu : 0;
    switch (pattern) {
    case MemoryPattern::StuckAddress:
        return run.FillAndCheck(pattern, [flip](size_t i) { return uint32_t(i) ^ flip; });
    case MemoryPattern::RandomValues:
        return run.FillAndCheck(pattern, RandomWords{0x2545F491u + round * 0x9E3779B9u});
    case MemoryPattern::SolidBits:
        return run.FillAndCheck(pattern, [](size_t) { return 0u; })
               && run.FillAndCheck(pattern, [](size_t) { return 0xFFFFFFFFu; });
    case MemoryPattern::Checkerboard:
        return run.FillAndCheck(pattern, [](size_t i) { return i % 2 ? 0xAAAAAAAAu : 0x55555555u; })
               && run.FillAndCheck(pattern, [](size_t i) { return i % 2 ? 0x55555555u : 0xAAAAAAAAu; });
    case MemoryPattern::WalkingOnes:
        return run.FillAndCheck(pattern, [round](size_t i) { return 1u << ((i + round) % 32); });
    case MemoryPattern::WalkingZeros:
        return run.FillAndCheck(pattern, [round](size_t i) { return ~(1u << ((i + round) % 32)); });
    case MemoryPattern::BitSpread:
        return run.FillAndCheck(pattern, [round](size_t i) {
            const uint32_t spread = 5u << ((i / 2 + round) % 30);
            return i % 2 ? ~spread : spread;
        });
    case MemoryPattern::MovingInversions:
        return run.MovingInversions(0) && run.MovingInversions(RandomWords{0x6C078965u + round}(0));
    }
    return true;
}

}  // namespace

const char* MemoryPatternName(MemoryPattern pattern)
{
    switch (pattern) {
    case MemoryPattern::StuckAddress: return "stuck address";
    case MemoryPattern::RandomValues: return "random values";
    case MemoryPattern::SolidBits: return "solid bits";
    case MemoryPattern::Checkerboard: return "checkerboard";
    case MemoryPattern::WalkingOnes: return "walking ones";
    case MemoryPattern::WalkingZeros: return "walking zeros";
    case MemoryPattern::BitSpread: return "bit spread";
    case MemoryPattern::MovingInversions: return "moving inversions";
    }
    return "?";
}

MemoryTestResult RunMemoryTest(uint32_t* words, size_t count, const MemoryTestOptions& options)
{
    MemoryTestResult result;
    PatternRun run(words, count, options, result);
    const auto start = Clock::now();
    auto elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    for (uint32_t round = 0;; ++round) {
        for (int p = 0; p < MemoryPatternCount; ++p) {
            if (round > 0 && elapsed() >= options.seconds)
                break;
            if (!RunPattern(run, MemoryPattern(p), round) || run.Stopped()) {
                result.interrupted = true;
                break;
            }
            ++result.patternsRun;
            if (result.errorCount)
                break;
        }
        if (result.interrupted || result.errorCount || elapsed() >= options.seconds)
            break;
    }
    result.seconds = elapsed();
    return result;
}

std::string FormatMemoryTest(const MemoryTestResult& result, size_t bufferBytes)
{
    char line[160];
    const double rate = result.seconds > 0 ? double(result.bytesChecked) / result.seconds / 1e6 : 0;
    if (bufferBytes % (1024 * 1024) == 0)
        std::snprintf(line, sizeof line, "%zu MiB", bufferBytes / (1024 * 1024));
    else
        std::snprintf(line, sizeof line, "%zu KiB", bufferBytes / 1024);
    std::string text = line;
    std::snprintf(line, sizeof line, ", %d pattern%s in %.1f s (%.0f MB/s checked)", result.patternsRun,
                  result.patternsRun == 1 ? "" : "s", result.seconds, rate);
    text += line;
    if (result.interrupted)
        text += ", interrupted";
    else if (!result.Complete())
        text += ", not every pattern";
    if (!result.errorCount)
        return text + ": no errors\n";
    std::snprintf(line, sizeof line, ": %llu error%s\n", (unsigned long long)result.errorCount,
                  result.errorCount == 1 ? "" : "s");
    text += line;
    for (const MemoryError& error : result.errors) {
        std::snprintf(line, sizeof line, "  %s at offset 0x%08zx: wrote 0x%08x, read 0x%08x (bits 0x%08x)\n",
                      MemoryPatternName(error.pattern), error.offset, unsigned(error.expected), unsigned(error.found),
                      unsigned(error.expected ^ error.found));
        text += line;
    }
    if (result.errorCount > result.errors.size())
        text += "  ...\n";
    return text;
}
