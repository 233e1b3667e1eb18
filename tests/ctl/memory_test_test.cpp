// The memory test finds what it is there to find: a bit that reads back flipped.
#include "memory_test.h"

#include "locked_memory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

constexpr size_t Words = 3 * 65536 + 100;  // more than one chunk, and a part one at the end
constexpr size_t Planted = 12345;

struct Expected {
    MemoryPattern pattern;
    int passedBefore;  // patterns that ran clean before it
    uint32_t written;  // word 12345 as the pattern's first filling writes it; 0 for any
};

}  // namespace

TEST(MemoryTest, EachPatternFindsABitFlippedAfterItsFirstFilling)
{
    const Expected cases[] = {
        {MemoryPattern::StuckAddress, 0, 0x00003039},
        {MemoryPattern::RandomValues, 1, 0},
        {MemoryPattern::SolidBits, 2, 0x00000000},
        {MemoryPattern::Checkerboard, 3, 0xAAAAAAAA},   // odd word
        {MemoryPattern::WalkingOnes, 4, 0x02000000},    // bit 12345 % 32 = 25
        {MemoryPattern::WalkingZeros, 5, 0xFDFFFFFF},
        {MemoryPattern::BitSpread, 6, 0xFEBFFFFF},      // odd word: ~(bits 22 and 24)
        {MemoryPattern::MovingInversions, 7, 0x00000000},
    };
    std::vector<uint32_t> buffer(Words);
    for (const Expected& c : cases) {
        SCOPED_TRACE(MemoryPatternName(c.pattern));
        bool planted = false;
        MemoryTestOptions options;
        options.written = [&](MemoryPattern pattern, uint32_t* words, size_t count) {
            ASSERT_EQ(count, Words);
            if (pattern == c.pattern && !planted) {
                words[Planted] ^= 0x00000080;
                planted = true;
            }
        };
        const MemoryTestResult result = RunMemoryTest(buffer.data(), buffer.size(), options);
        ASSERT_TRUE(planted);
        EXPECT_EQ(result.errorCount, 1u);
        ASSERT_EQ(result.errors.size(), 1u);
        EXPECT_EQ(result.errors[0].pattern, c.pattern);
        EXPECT_EQ(result.errors[0].offset, Planted * 4);
        EXPECT_EQ(result.errors[0].expected ^ result.errors[0].found, 0x00000080u);
        if (c.written) {
            EXPECT_EQ(result.errors[0].expected, c.written);
        }
        EXPECT_EQ(result.patternsRun, c.passedBefore + 1) << "stops after the pattern that found it";
        EXPECT_FALSE(result.interrupted);
    }
}

TEST(MemoryTest, ACleanBufferPassesEveryPatternOnceWithinAZeroBudget)
{
    std::vector<uint32_t> buffer(4096);
    MemoryTestOptions options;
    int fillings = 0;
    options.written = [&](MemoryPattern, uint32_t*, size_t) { ++fillings; };
    const MemoryTestResult result = RunMemoryTest(buffer.data(), buffer.size(), options);
    EXPECT_EQ(result.errorCount, 0u);
    EXPECT_EQ(result.patternsRun, 8);
    EXPECT_TRUE(result.Complete());
    EXPECT_FALSE(result.interrupted);
    // 13 passes that read the 16 KiB back: one each, two for solid bits and checkerboard, and
    // four for moving inversions (two words, up and down); 11 fillings.
    EXPECT_EQ(result.bytesChecked, 13u * 16384u);
    EXPECT_EQ(fillings, 11);
}

TEST(MemoryTest, ASignalStopsItWithinAChunkAndSaysSo)
{
    std::vector<uint32_t> buffer(Words);
    volatile std::sig_atomic_t stop = SIGINT;
    MemoryTestOptions options;
    options.seconds = 60;
    options.stop = &stop;
    const MemoryTestResult result = RunMemoryTest(buffer.data(), buffer.size(), options);
    EXPECT_TRUE(result.interrupted);
    EXPECT_EQ(result.patternsRun, 0);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.bytesChecked, 0u) << "stopped after the first chunk of the first filling";
}

TEST(MemoryTest, ErrorsAreReportedWithTheirOffsetAndBits)
{
    MemoryTestResult result;
    result.errorCount = 17;
    result.patternsRun = 1;
    result.seconds = 2.0;
    result.bytesChecked = 64u * 1024 * 1024;
    for (size_t i = 0; i < MemoryTestKeptErrors; ++i)
        result.errors.push_back({MemoryPattern::Checkerboard, 0x1000 + 4 * i, 0x55555555, 0x55555554});
    const std::string text = FormatMemoryTest(result, 64 * 1024 * 1024);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "64 MiB, 1 pattern in 2.0 s (34 MB/s checked), not every pattern: 17 errors\n"
              "  checkerboard at offset 0x00001000: wrote 0x55555555, read 0x55555554 (bits 0x00000001)\n");
    EXPECT_EQ(text.substr(text.size() - 6), "  ...\n");

    MemoryTestResult clean;
    clean.patternsRun = 8;
    clean.seconds = 0.5;
    clean.bytesChecked = 100000000;
    EXPECT_EQ(FormatMemoryTest(clean, 512 * 1024), "512 KiB, 8 patterns in 0.5 s (200 MB/s checked): no errors\n");
}

TEST(MemoryTest, TheLockedBufferIsWritableAndSaysWhetherItIsLocked)
{
    LockedMemory memory(256 * 1024);  // within the usual RLIMIT_MEMLOCK of 8 MiB
    ASSERT_EQ(memory.WordCount(), 65536u);
    EXPECT_EQ(memory.Locked(), memory.LockError().empty());
    const MemoryTestResult result = RunMemoryTest(memory.Words(), memory.WordCount(), {});
    EXPECT_EQ(result.errorCount, 0u);
    EXPECT_TRUE(result.Complete());
}
