// The benchmark's own checks, not its speed.
#include "bench.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

TEST(Bench, TheChaseIsOneCycleThroughEveryElement)
{
    for (size_t n : {1u, 2u, 3u, 10u, 1000u, 4096u, 65537u}) {
        const std::vector<uint32_t> next = SingleCycle(n, 0x815 + uint32_t(n));
        EXPECT_TRUE(IsSingleCycle(next)) << n;
        std::vector<int> seen(n);
        for (uint32_t to : next)
            ++seen[to];
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), long(n)) << "a permutation";
    }
    EXPECT_FALSE(IsSingleCycle({1, 0, 3, 2})) << "two cycles";
    EXPECT_FALSE(IsSingleCycle({0, 2, 1})) << "0 alone";
    EXPECT_FALSE(IsSingleCycle({1, 5})) << "out of range";
    EXPECT_FALSE(IsSingleCycle({}));
}

TEST(Bench, BuffersAreSizedFromTheCachesTheSystemReports)
{
    const size_t KiB = 1024, MiB = 1024 * KiB;
    EXPECT_EQ(BenchBufferBytes({{16 * KiB, 512 * KiB}, 32}), 4 * MiB) << "a Pentium III with 512 KiB of L2";
    EXPECT_EQ(BenchBufferBytes({{256 * KiB}, 32}), 4 * MiB) << "a Coppermine's 256 KiB: at least 4 MiB";
    EXPECT_EQ(BenchBufferBytes({{48 * KiB, 2 * MiB}, 64}), 8 * MiB);
    EXPECT_EQ(BenchBufferBytes({{1 * MiB, 32 * MiB}, 64}), 128 * MiB);
    EXPECT_EQ(BenchBufferBytes({{1024 * MiB}, 64}), 256 * MiB) << "never more than 256 MiB, even where "
                                                                     "four times the cache overflows 32 bits";
    EXPECT_EQ(BenchBufferBytes({{}, 64}), 4 * MiB) << "nothing known";

    // Reported as sysfs has them: instruction caches do not count.
    const std::string root = ::testing::TempDir() + "quarvel_bench_cache";
    mkdir(root.c_str(), 0755);
    const struct { const char* level; const char* type; const char* size; } caches[] = {
        {"1", "Data", "16K"}, {"1", "Instruction", "4096K"}, {"2", "Unified", "512K"}};
    for (int i = 0; i < 3; ++i) {
        const std::string folder = root + "/index" + std::to_string(i);
        mkdir(folder.c_str(), 0755);
        std::ofstream(folder + "/level") << caches[i].level << "\n";
        std::ofstream(folder + "/type") << caches[i].type << "\n";
        std::ofstream(folder + "/size") << caches[i].size << "\n";
        std::ofstream(folder + "/coherency_line_size") << "32\n";
    }
    const CacheInfo sysfs = ReadCacheInfo(root, "/nonexistent");
    EXPECT_EQ(sysfs.sizes, (std::vector<size_t>{16 * KiB, 512 * KiB}));
    EXPECT_EQ(sysfs.lineBytes, 32u);

    // An old kernel without cache folders: /proc/cpuinfo's "cache size".
    std::ofstream(root + "/cpuinfo") << "processor\t: 0\nmodel name\t: Pentium III (Coppermine)\ncache size\t: 256 KB\n";
    const CacheInfo old = ReadCacheInfo(root + "/absent", root + "/cpuinfo");
    EXPECT_EQ(old.sizes, (std::vector<size_t>{256 * KiB}));
}

TEST(Bench, ARunGivesEveryFigureFromCheckedPasses)
{
    const BenchResult result = RunBench(1024 * 1024, 64, 3, 0.001);
    ASSERT_EQ(result.figures.size(), 4u);
    const char* names[] = {"read", "write", "copy", "latency"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(result.figures[i].name, names[i]);
        ASSERT_EQ(result.figures[i].rounds.size(), 3u);
        for (double value : result.figures[i].rounds)
            EXPECT_GT(value, 0.0);
    }
    EXPECT_EQ(result.figures[3].unit, "ns");
    const std::string text = FormatBench(result, {{256 * 1024}, 32});
    EXPECT_EQ(text.rfind("buffers: 2 x 1 MiB (largest cache: 256 KiB), 3 rounds\nread: ", 0), 0u) << text;
    EXPECT_NE(text.find(" ns (median; "), std::string::npos);
}

TEST(Bench, NotesSayWhenTheBuffersAreCappedAndWhenARoundWasBusy)
{
    const size_t KiB = 1024, MiB = 1024 * KiB;
    EXPECT_EQ(FormatBenchHeader(256 * MiB, {{32 * KiB, 96 * MiB}, 64}, 5),
              "buffers: 2 x 256 MiB (largest cache: 98304 KiB), 5 rounds\n"
              "note: the buffers are capped at 256 MiB, less than four times the largest cache: part of each pass "
              "may come from the cache\n");
    EXPECT_EQ(FormatBenchHeader(4 * MiB, {{16 * KiB, 512 * KiB}, 32}, 1),
              "buffers: 2 x 4 MiB (largest cache: 512 KiB), 1 round\n");

    EXPECT_EQ(FormatBenchFigure({"read", "MB/s", {300, 100, 200}, {1.0, 0.5, 0.95}}),
              "read: 200.0 MB/s (median; 100.0 to 300.0)\n"
              "note: read, round 2 of 3: this process had 50 % of a processor; other programs were busy, so that "
              "round's figure is less sure\n");
    EXPECT_EQ(FormatBenchFigure({"latency", "ns", {80.25, 90.5}, {0.99, 0.9}}),
              "latency: 85.4 ns (median; 80.2 to 90.5)\n");
}
