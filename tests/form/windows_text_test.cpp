// The Windows face's texts: Windows-1252 bytes, and "\r\n" where an edit box or a tooltip breaks
// a line. The conversion is plain C++, so it is tested here, beside the form core.
#include "windows_text.h"

#include <gtest/gtest.h>

TEST(WindowsTextTest, LinesBreakAtCrLfAndTypographicCharactersBecomeTheirBytes)
{
    // The CLT hint's quotation marks (0x93, 0x94) and the SDRAM list's micro sign (0xB5).
    EXPECT_EQ(WindowsLines("a \xE2\x80\x9CSnoop Stall\xE2\x80\x9D\nb 15.6 \xC2\xB5s\n"),
              "a \x93Snoop Stall\x94\r\nb 15.6 \xB5s\r\n");
    EXPECT_EQ(WindowsText("15.6 \xC2\xB5s\n&&"), "15.6 \xB5s\n&&") << "one-line controls keep the line feed";
    EXPECT_EQ(WindowsLines(""), "");
}

// A failure's text may carry a path or a system message already in the code page: it stays.
TEST(WindowsTextTest, FailureTextConvertsOnlyUtf8)
{
    EXPECT_EQ(FailureText("Privileged instruction"), "Privileged instruction");
    EXPECT_EQ(FailureText("caf\xC3\xA9.txt: cannot be read"), "caf\xE9.txt: cannot be read");
    EXPECT_EQ(FailureText("caf\xE9.txt: cannot be read"), "caf\xE9.txt: cannot be read");
}
