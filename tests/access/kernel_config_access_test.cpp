// The kernel's configuration file, with a 256-byte file standing in for the sysfs one.
#include "access_refused.h"
#include "config_lock.h"
#include "kernel_config_access.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace {

class KernelConfigAccessTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(256); }
    void TearDown() override
    {
        std::remove(path.c_str());
    }

    void WriteFile(size_t size)
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        for (size_t i = 0; i < size; ++i)
            file.put(char(i));
    }
    std::string Bytes()
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string path = TestFile("kernel_config");
    ConfigLock lock{TestLock()};
};

}  // namespace

TEST_F(KernelConfigAccessTest, DwordsAreLittleEndianAtTheirOffsets)
{
    KernelConfigAccess config(path, true, &lock);
    EXPECT_EQ(config.Read(0x00), 0x03020100u);
    EXPECT_EQ(config.Read(0x50), 0x53525150u);
    EXPECT_EQ(config.Read(0xFC), 0xFFFEFDFCu);
    config.Write(0x54, 0xA1B2C3D4);
    EXPECT_EQ(Bytes().substr(0x54, 4), "\xD4\xC3\xB2\xA1");
    EXPECT_EQ(Bytes().size(), 256u);
}

TEST_F(KernelConfigAccessTest, ModifyChangesTheMaskOnlyAndNeverWritesAOneToTheSmramError)
{
    KernelConfigAccess config(path, true, &lock);
    EXPECT_EQ(config.Modify(0x50, 0x000000F0, 0x000000A0), 0x535251A0u);
    EXPECT_EQ(config.Read(0x50), 0x535251A0u);
    // Dword 0x70 holds 0x73727170: bit 0 (E_SMRAM_ERR) reads 0 here, and is written 0.
    EXPECT_EQ(config.Modify(0x70, 1u << 19, 1u << 19), 0x737A7170u);
    EXPECT_EQ(config.Modify(0x74, 0, 0), 0x77767574u) << "no mask: written back as read";
}

TEST_F(KernelConfigAccessTest, RefusalsSayWhatIsMissing)
{
    try {
        KernelConfigAccess missing(path + ".absent", false, nullptr);
        ADD_FAILURE() << "a missing file was opened";
    } catch (const AccessRefused& refused) {
        EXPECT_EQ(refused.reason(), ENOENT);
        EXPECT_NE(std::string(refused.what()).find(path + ".absent cannot be opened"), std::string::npos);
    }

    // A user without privilege sees the first 64 bytes only.
    WriteFile(64);
    KernelConfigAccess shortView(path, false, nullptr);
    EXPECT_EQ(shortView.Read(0x3C), 0x3F3E3D3Cu);
    try {
        shortView.Read(0x50);
        ADD_FAILURE() << "a short read was taken for a value";
    } catch (const AccessRefused& refused) {
        EXPECT_NE(std::string(refused.what()).find("only the first 64 bytes"), std::string::npos) << refused.what();
    }

    // Opened for reading only, a write is refused rather than lost.
    EXPECT_THROW(shortView.Write(0x00, 0), AccessRefused);
}
