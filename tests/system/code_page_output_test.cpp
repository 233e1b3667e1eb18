// What i815ctl.exe makes of its UTF-8 texts, the part that needs no Windows: the bytes for a
// file or a pipe, the characters for a console, and sequences that the writes part.
#include "code_page_output.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodePageOutput, FilesGetWindows1252AndTheSystemsBytesStay)
{
    EXPECT_EQ(Windows1252Output("sms: 15.6 \xC2\xB5s \xE2\x80\x9Cquoted\xE2\x80\x9D\n"),
              "sms: 15.6 \xB5s \x93quoted\x94\n");
    EXPECT_EQ(Windows1252Output("\xE2\x86\x92 \xF0\x9F\x98\x80"), "? ?") << "arrow, emoji";
    // A path typed in the ANSI code page, beside a text of ours: its byte is no UTF-8 and stays.
    EXPECT_EQ(Windows1252Output("C:\\caf\xE9.conf: 7.8 \xC2\xB5s"), "C:\\caf\xE9.conf: 7.8 \xB5s");
}

TEST(CodePageOutput, ConsolesGetCharactersAndTheSystemsBytesGoThroughItsCodePage)
{
    // Windows-1252 as the ANSI code page, in brackets to show the runs.
    const auto ansi = [](const std::string& run) {
        std::u16string units = u"<";
        for (const char byte : run)
            units += char16_t(static_cast<unsigned char>(byte));
        return units + u">";
    };
    EXPECT_EQ(Utf16Output("15.6 \xC2\xB5s \xE2\x80\x94 \xF0\x9F\x98\x80", ansi), u"15.6 \u00B5s \u2014 \U0001F600");
    EXPECT_EQ(Utf16Output("caf\xE9\xE8 \xC2\xB5 \xC3", ansi), u"caf<\u00E9\u00E8> \u00B5 <\u00C3>");
}

TEST(CodePageOutput, ASequenceThatAWritePartsWaitsForItsRest)
{
    Utf8Joiner joiner;
    EXPECT_EQ(joiner.Take("15.6 \xC2", 6), "15.6 ");
    EXPECT_EQ(joiner.Take("\xB5s\n", 3), "\xC2\xB5s\n");
    for (const char byte : std::string("\xE2\x80"))
        EXPECT_EQ(joiner.Take(&byte, 1), "");
    EXPECT_EQ(joiner.Take("\x94", 1), "\xE2\x80\x94");
    EXPECT_EQ(joiner.Take("\xF0\x9F\x98\x80", 4), "\xF0\x9F\x98\x80") << "whole: nothing held";
    // An ANSI byte that looks like the start of a sequence goes with what follows it, or at the end.
    EXPECT_EQ(joiner.Take("caf\xE9", 4), "caf");
    EXPECT_EQ(joiner.Take(": x", 3), "\xE9: x");
    EXPECT_EQ(joiner.Take("\xE9", 1), "");
    EXPECT_EQ(joiner.Rest(), "\xE9");
    EXPECT_EQ(joiner.Rest(), "");
}
