#pragma once
// The memory test of i815ctl tune: the classic patterns over a buffer of 32-bit words that the
// caller hands in (locked in memory by locked_memory.h, so that the words stay in the same
// DRAM pages while the test looks at them). A wrong SDRAM timing shows as a bit that reads
// back other than it was written, often only under a particular neighbourhood of bits or a
// particular order of accesses; each pattern provokes one kind of it.
//
// What it cannot prove: a pass says these words, in these pages, read back right this time.
// Memory outside the buffer, the kernel's own pages, DMA from disks and cards, and a fault that
// needs more heat or more time are not seen. No privilege and no chip register here.

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class MemoryPattern {
    StuckAddress,     // each word holds its own index: an address line stuck or shorted
    RandomValues,     // pseudo-random words, regenerated from the seed to check
    SolidBits,        // all zeros, then all ones
    Checkerboard,     // 0x55555555 and 0xAAAAAAAA alternating by word, then swapped
    WalkingOnes,      // one bit set, moving by one position from word to word
    WalkingZeros,     // one bit clear, moving likewise
    BitSpread,        // two set bits two apart, alternating with their complement
    MovingInversions, // fill; ascending check-and-invert; descending check-and-invert back
};

constexpr int MemoryPatternCount = 8;
const char* MemoryPatternName(MemoryPattern pattern);  // "stuck address", "moving inversions", ...

struct MemoryError {
    MemoryPattern pattern;
    size_t offset;  // bytes from the buffer's start
    uint32_t expected;
    uint32_t found;
};

struct MemoryTestResult {
    uint64_t errorCount = 0;
    std::vector<MemoryError> errors;  // the first MemoryTestKeptErrors of them
    uint64_t bytesChecked = 0;        // bytes read back and compared, over every pass
    int patternsRun = 0;              // patterns finished, counting repeats
    bool interrupted = false;         // `stop` held a signal
    double seconds = 0;
    // Every pattern ran at least once in full.
    bool Complete() const { return patternsRun >= MemoryPatternCount; }
};

constexpr size_t MemoryTestKeptErrors = 16;

struct MemoryTestOptions {
    // Patterns start, in order and round after round, while less than this much time has
    // passed; the first round runs whole however long it takes, unless a signal comes.
    double seconds = 0;
    const volatile std::sig_atomic_t* stop = nullptr;
    // Called after each pass that writes the buffer and before the pass that reads it back: a
    // test plants a flipped bit here. Each call is one filling of the buffer.
    std::function<void(MemoryPattern, uint32_t* words, size_t count)> written;
};

// Stops after the pattern in which the first error shows: one error is enough to turn a
// setting down, and more patterns only cost time. A signal stops it within a chunk of words.
MemoryTestResult RunMemoryTest(uint32_t* words, size_t count, const MemoryTestOptions& options);

// "64 MiB, 8 patterns in 3.2 s (1234 MB/s checked): no errors", or the errors, one a line.
std::string FormatMemoryTest(const MemoryTestResult& result, size_t bufferBytes);
