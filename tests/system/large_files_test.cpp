// A 32-bit build sees files past 4 GiB as any other (64-bit file offsets): without them stat()
// and open() fail there with "Value too large for defined data type".
#include "files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

TEST(LargeFiles, AFilePast4GiBIsFoundAndRead)
{
    const std::string path = ::testing::TempDir() + "quarvel" + std::to_string(getpid()) + "_large";
    std::ofstream(path) << "agpfw = on\n";
    // Sparse, so it takes no room; made with the 64-bit call whatever this file is built with.
    ASSERT_EQ(truncate64(path.c_str(), (off64_t(1) << 32) + 11), 0);
    const bool found = FileExists(path);
    std::string text;
    try {
        text = ReadRegularFile(path, 64).substr(0, 11);
    } catch (const std::runtime_error& error) {
        text = error.what();
    }
    unlink(path.c_str());
    EXPECT_TRUE(found);
    EXPECT_EQ(text, "agpfw = on\n");
}
