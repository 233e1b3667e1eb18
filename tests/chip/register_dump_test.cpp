#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string DataLines(const ConfigSpace& space, size_t bytes)
{
    std::string all = FormatRegisterDump(space), lines;
    size_t start = all.find('\n') + 1;
    for (size_t row = 0; row < bytes / 16; ++row) {
        const size_t end = all.find('\n', start);
        lines += all.substr(start, end - start + 1);
        start = end + 1;
    }
    return lines;
}

std::string ErrorOf(const std::string& text)
{
    try {
        ParseRegisterDump(text, "dump.txt");
    } catch (const DumpError& e) {
        return e.what();
    }
    return "(accepted)";
}

ConfigSpace Pattern()
{
    ConfigSpace space;
    for (size_t i = 0; i < space.size(); ++i)
        space[i] = uint8_t(i * 7 + 3);
    return space;
}

}  // namespace

TEST(RegisterDump, FormatRoundTrips)
{
    const ConfigSpace space = Pattern();
    const std::string text = FormatRegisterDump(space);
    EXPECT_EQ(text.substr(text.find('\n') + 1, 52),
              "00: 03 0a 11 18 1f 26 2d 34 3b 42 49 50 57 5e 65 6c\n");
    EXPECT_EQ(ParseRegisterDump(text, "x"), space);
    EXPECT_EQ(ParseRegisterDump(FormatRegisterDump(EmulatedI815::DefaultImage()), "x"),
              EmulatedI815::DefaultImage());
}

TEST(RegisterDump, TakesTheHostBridgeFromAFullLspciListing)
{
    ConfigSpace other;
    other.fill(0x11);
    const ConfigSpace host = Pattern();
    std::string text = "00:1f.0 ISA bridge: Intel Corporation 82801BA ISA Bridge (LPC) (rev 01)\n" +
                       DataLines(other, 256) + "\n" +
                       "0000:00:00.0 Host bridge: Intel Corporation 82815 815 Chipset (rev 02)\n" +
                       "\tSubsystem: ASUSTeK Computer Inc. CUSL2\n" + DataLines(host, 256) +
                       "100: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n" + "\n" +
                       "01:00.0 VGA compatible controller: NVIDIA Corporation NV15 (rev a4)\n" +
                       DataLines(other, 256);
    EXPECT_EQ(ParseRegisterDump(text, "x"), host);

    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ParseRegisterDump(crlf, "x"), host);
}

TEST(RegisterDump, BadInputIsRefusedWithTheLineNamed)
{
    const ConfigSpace host = Pattern();
    std::string lines = DataLines(host, 256);
    std::string broken = lines;
    broken.replace(broken.find("20: ") + 10, 2, "zz");
    std::string message = ErrorOf("00:00.0 Host bridge: x\n" + broken);
    EXPECT_NE(message.find("dump.txt, line 4: malformed data line"), std::string::npos) << message;

    message = ErrorOf("00:00.0 Host bridge: x\n" + lines.substr(0, lines.find("30: ")) +
                      "30: 01 02 03 trailing words\n");
    EXPECT_NE(message.find("line 5"), std::string::npos) << message;

    // A line of any length is named by its first 40 characters.
    message = ErrorOf("00:00.0 Host bridge: x\n" + lines.substr(0, lines.find("30: ")) + "30: " +
                      std::string(100000, 'z') + "\n");
    EXPECT_EQ(message, "dump.txt, line 5: malformed data line (expected \"xx: \" and hexadecimal byte pairs separated "
                       "by blanks): \"30: " + std::string(36, 'z') + "...\"");

    // One offset twice, as an edit may leave it: neither value is taken.
    const std::string row50 = "50: 44 02 7c 27 00 00 00 00 00 00 00 00 00 00 00 00\n";
    EXPECT_EQ(ErrorOf("00:00.0 Host bridge: x\n" + lines + row50),
              "dump.txt, line 18: byte 0x50 is given twice (first on line 7)");
    EXPECT_EQ(ErrorOf("00:00.0 Host bridge: x\n" + lines + "58: 01 02 03 04 05 06 07 08\n"),
              "dump.txt, line 18: byte 0x58 is given twice (first on line 7)");

    message = ErrorOf("00:01.0 PCI bridge: x\n" + lines);
    EXPECT_NE(message.find("no device 00:00.0"), std::string::npos) << message;
    EXPECT_NE(ErrorOf("").find("no device 00:00.0"), std::string::npos);

    // Without root, lspci shows only the first 64 bytes.
    message = ErrorOf("00:00.0 Host bridge: x\n" + DataLines(host, 64));
    EXPECT_NE(message.find("only the first 64 of the 256 bytes"), std::string::npos) << message;
    EXPECT_NE(message.find("lspci -xxx -s 00:00.0"), std::string::npos) << message;
}

TEST(RegisterDump, FilesReadAndWriteAndMissingFilesAreClearErrors)
{
    const std::string path = ::testing::TempDir() + "quarvel_dump_test.txt";
    WriteRegisterDumpFile(path, Pattern());
    EXPECT_EQ(ReadRegisterDumpFile(path), Pattern());
    std::remove(path.c_str());
    try {
        ReadRegisterDumpFile(path);
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const DumpError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be read"), std::string::npos) << e.what();
    }
}

// Notepad begins a UTF-8 file with a byte order mark (saved onto: see ctl/input_test.cpp).
TEST(RegisterDump, AByteOrderMarkAtTheStartIsSkipped)
{
    EXPECT_EQ(ParseRegisterDump("\xEF\xBB\xBF" + FormatRegisterDump(Pattern()), "x"), Pattern());
    // Anywhere else it is no part of a header.
    EXPECT_EQ(ErrorOf("\n\xEF\xBB\xBF" + FormatRegisterDump(Pattern())),
              "dump.txt: no device 00:00.0 (the host bridge) in this dump; it ends at line 19");
}
