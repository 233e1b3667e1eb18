// The bytes a Windows-1252 face draws.
#include "help_texts.h"
#include "layout_table.h"
#include "windows1252.h"

#include <gtest/gtest.h>

TEST(Windows1252, TheTextsOfTheFormBecomeTheirBytes)
{
    std::string cltHint;
    for (const HintText& hint : ConstructionHints())
        if (std::string(hint.control) == "CLTcb")
            cltHint = ToWindows1252(hint.text);
    EXPECT_NE(cltHint.find("in a \x93Snoop Stall\x94 for 31 clocks"), std::string::npos);
    EXPECT_EQ(ToWindows1252(LayoutControl("SMScombo").items[1]),
              "Refresh interval:  100 Mhz - 15.6 \xB5s      133 Mhz - 11.7 \xB5s");
    EXPECT_EQ(ToWindows1252(WelcomeText()), WelcomeText()) << "plain ASCII stays as it is";

    // No text of the window is lost on the way: every character has its byte.
    for (const LayoutRow& row : LayoutTable()) {
        EXPECT_EQ(ToWindows1252(row.text).find('?'), row.text.find('?')) << row.name;
        for (const std::string& item : row.items)
            EXPECT_EQ(ToWindows1252(item).find('?'), item.find('?')) << row.name;
    }
}

TEST(Windows1252, OtherCharactersAndBrokenSequencesBecomeQuestionMarks)
{
    EXPECT_EQ(ToWindows1252("\xE2\x82\xAC 5, caf\xC3\xA9, \xE2\x80\x94"), "\x80 5, caf\xE9, \x97");
    EXPECT_EQ(ToWindows1252("\xE2\x86\x92 \xF0\x9F\x98\x80 \xC2\x81"), "? ? ?") << "arrow, emoji, C1 control";
    EXPECT_EQ(ToWindows1252("a\xC3"), "a?") << "cut short";
    EXPECT_EQ(ToWindows1252("\xC3(x"), "?(x") << "not a continuation byte";
    EXPECT_EQ(ToWindows1252("\xC0\xAF"), "??") << "an overlong \"/\"";
    EXPECT_EQ(ToWindows1252("\xFF"), "?");
}
