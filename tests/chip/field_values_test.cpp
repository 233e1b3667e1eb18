// The fields in words: keys, values as files and command lines give them, and the legal values
// that messages and profile comments name.
#include "field_map.h"
#include "field_values.h"
#include "hex_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace Fields;

namespace {

// The message of the refusal, or "(accepted)".
std::string Refusal(const Field& field, const std::string& text)
{
    try {
        ParseFieldValue(field, text);
    } catch (const BadValue& bad) {
        EXPECT_EQ(bad.status(), ExitBadInput);
        return bad.what();
    }
    return "(accepted)";
}

}  // namespace

// AMTT and LPTT hold bits 7-3 only: a value between two multiples of 8 would lose its low bits
// on the chip, so it is refused, naming the nearest values the chip holds.
TEST(FieldValues, TimersTakeMultiplesOfEightOnly)
{
    EXPECT_EQ(ParseFieldValue(AMTT, "0"), 0);
    EXPECT_EQ(ParseFieldValue(AMTT, "0x40"), 64);
    EXPECT_EQ(ParseFieldValue(LPTT, " 248 "), 248);
    EXPECT_EQ(ParseFieldValue(LPTT, "0XF8"), 248);
    EXPECT_EQ(Refusal(AMTT, "33"),
              "amtt: \"33\" is not a value of AGP Multi-Transaction Timer: the chip holds multiples of 8 only (the "
              "nearest are 32 and 40); legal values: multiples of 8 from 0 to 248, in decimal or 0x hexadecimal");
    EXPECT_EQ(Refusal(LPTT, "0x41"),
              "lptt: \"0x41\" is not a value of AGP Low Priority Transaction Timer: the chip holds multiples of 8 "
              "only (the nearest are 64 and 72); legal values: multiples of 8 from 0 to 248, in decimal or 0x "
              "hexadecimal");
    EXPECT_NE(Refusal(AMTT, "255").find("(the nearest is 248)"), std::string::npos);
    EXPECT_NE(Refusal(AMTT, "7").find("(the nearest are 0 and 8)"), std::string::npos);
    for (const char* beyond : {"256", "0x100", "4294967328", "0x100000020", "-8", "8.0", "", "0x"})
        EXPECT_NE(Refusal(AMTT, beyond).find("; legal values: multiples of 8 from 0 to 248"), std::string::npos)
            << beyond;
    EXPECT_EQ(LegalValues(LPTT), "multiples of 8 from 0 to 248, in decimal or 0x hexadecimal");
}

TEST(FieldValues, ChecksListsAndKeysInTheWindowsWords)
{
    EXPECT_EQ(ParseFieldValue(AGPFW, " ON "), 1);
    EXPECT_EQ(ParseFieldValue(AGPMODE, "agp   4x"), 3);
    EXPECT_EQ(ParseFieldValue(SMS, "refresh interval: 100 mhz - 7.8 \xC2\xB5s 133 mhz - 5.85 \xC2\xB5s"), 2);
    EXPECT_EQ(ParseFieldValue(RDTHR, "No limit               (800MB/s)"), 0) << "as older versions saved it";
    EXPECT_EQ(Refusal(TDLLE, "1"),
              "tdlle: \"1\" is not a value of Transmit DLL Disable & Bypass; legal values: on, off");

    // Blanks do not matter either way: left out of a text that has them, or put into a word.
    EXPECT_EQ(ParseFieldValue(DPCP, "allbanks"), 1);
    EXPECT_EQ(ParseFieldValue(DPCP, "ONEBANK"), 0);
    EXPECT_EQ(ParseFieldValue(AGPMODE, "agp2x"), 2);
    EXPECT_EQ(ParseFieldValue(AGPMODE, "noneselected"), 0);
    EXPECT_EQ(ParseFieldValue(MAG, "time slice"), 1);
    EXPECT_EQ(ParseFieldValue(MAG, "fixedmode"), 0);
    EXPECT_EQ(ParseFieldValue(CAS, "3clocks"), 0);
    EXPECT_EQ(ParseFieldValue(RDTHR, "limitat75%(600mb/s)"), 2);
    EXPECT_EQ(ParseFieldValue(SMS, "(!)cbrenable"), 7);
    EXPECT_EQ(Refusal(AGPMODE, "agp3x"), "agpmode: \"agp3x\" is not a value of Selected AGP data transfer rate; legal "
                                         "values: none (\"None selected\"), 1x (\"AGP 1X\"), 2x (\"AGP 2X\"), 4x "
                                         "(\"AGP 4X\")");

    EXPECT_EQ(FieldForKey(" RAS2CAS\t"), &RAS2CAS);
    EXPECT_EQ(FieldForKey("identity"), nullptr) << "a status field is no setting";
    EXPECT_EQ(FieldForKey(""), nullptr);
    EXPECT_EQ(FieldForKey("ras 2 cas"), nullptr);
}

// The value rule: a list item is named by a word of its own or the number in it, or by its
// whole text; a number is never a place in the list.
TEST(FieldValues, ANumberNamesTheItemThatShowsItNeverAPlaceInTheList)
{
    const struct {
        const Field& field;
        const char* text;
        int position;
    } named[] = {
        {CAS, "2", 1},           {CAS, "3", 0},           {RAS2CAS, "2", 1},      {RAS, "3", 0},
        {AGPMODE, "4", 3},       {AGPMODE, "4X", 3},      {AGPMODE, "1x", 1},     {AGPMODE, "none", 0},
        {RDTHR, "75", 2},        {RDTHR, "75 %", 2},      {RDTHR, "600MB/s", 2},  {RDTHR, "none", 0},
        {WRTHR, "62.5%", 1},     {WRTHR, "37", 3},        {WRTHR, "800", 0},      {DCT, "7,9", 1},
        {DCT, "5, 7", 0},        {SMS, "7.8", 2},         {SMS, "5.85us", 2},     {SMS, "15.6 \xC2\xB5s", 1},
        {SMS, "0.96", 3},        {SMS, "Self-Refresh", 0}, {SMS, "cbr", 7},       {DPCP, "all", 1},
        {MAG, "timeslice", 1},   {SMS, "7.8\xB5s", 2},   {SMS, "15.6 \xB5S", 1},
    };
    for (const auto& n : named)
        EXPECT_EQ(ParseFieldValue(n.field, n.text), n.position) << n.field.name << "=" << n.text;

    EXPECT_EQ(Refusal(AGPMODE, "3"),
              "agpmode: \"3\" is not a value of Selected AGP data transfer rate (a number names the item that shows "
              "it, not its place in the list); legal values: none (\"None selected\"), 1x (\"AGP 1X\"), 2x (\"AGP "
              "2X\"), 4x (\"AGP 4X\")");
    EXPECT_EQ(Refusal(CAS, "1"),
              "cas: \"1\" is not a value of CAS (a number names the item that shows it, not its place in the list); "
              "legal values: 3 (\"3 clocks\"), 2 (\"2 clocks\")");
    for (const char* bad : {"2,", ".5", "23", "0x2", "us", "2 2", "2.0"})
        EXPECT_NE(Refusal(CAS, bad), "(accepted)") << bad;
    // 0xB5 ends the UTF-8 of other letters ("\xC3\xB5" is o with a tilde): no micro sign there.
    EXPECT_NE(Refusal(SMS, "7.8\xC3\xB5s"), "(accepted)");
    for (const char* bad : {"5", "7", "5,7,9", "5.7"})
        EXPECT_NE(Refusal(DCT, bad), "(accepted)") << bad;
    EXPECT_EQ(Refusal(SMS, "8"), "sms: \"8\" is not a value of SDRAM Mode Select; legal values: self-refresh (\"(!) DRAM "
                                  "in Self-Refresh Mode, Refresh Disabled\"), 15.6us or 11.7us (\"Refresh interval: 100 Mhz "
                                  "- 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s\"), 7.8us or 5.85us (\"Refresh interval: 100 Mhz "
                                  "- 7.8 \xC2\xB5s 133 Mhz - 5.85 \xC2\xB5s\"), 1.28us or 0.96us (\"Refresh interval: 100 "
                                  "Mhz - 1.28 \xC2\xB5s 133 Mhz - 0.96 \xC2\xB5s\"), nop (\"(!) NOP Command Enable\"), "
                                  "precharge (\"(!) All Banks Precharge Enable\"), mode-register (\"(!) Mode Register Set "
                                  "Enable\"), cbr (\"(!) CBR Enable\")");
}

// Each word, and the number in it, names its own item and no other; the word offered first is
// the one that names the item on a command line.
TEST(FieldValues, EveryWordNamesItsOwnItem)
{
    for (const Field* field : TunableFields()) {
        if (field->kind != FieldKind::Choice)
            continue;
        ASSERT_EQ(field->words.size(), field->texts.size()) << field->name;
        for (size_t position = 0; position < field->texts.size(); ++position) {
            std::istringstream words(field->words[position]);
            for (std::string word; words >> word;) {
                EXPECT_EQ(ParseFieldValue(*field, word), int(position)) << field->name << "=" << word;
                const std::string number = word.substr(0, word.find_first_not_of("0123456789.,"));
                if (!number.empty()) {
                    EXPECT_EQ(ParseFieldValue(*field, number), int(position)) << field->name << "=" << number;
                }
            }
            EXPECT_EQ(ParseFieldValue(*field, ValueWord(*field, int(position))), int(position));
        }
    }
    EXPECT_EQ(ValueWords(SMS), (std::vector<std::string>{"self-refresh", "15.6us", "7.8us", "1.28us", "nop",
                                                          "precharge", "mode-register", "cbr"}));
    EXPECT_EQ(ValueWords(TDLLE), (std::vector<std::string>{"on", "off"}));
    EXPECT_EQ(ValueWords(AMTT).size(), 32u);
    EXPECT_EQ(ValueWords(AMTT).back(), "248");
}

// Older versions took a list's position as its value. A profile written by hand for them is
// never misread now: such a number names the same item, or nothing.
TEST(FieldValues, APositionThatOlderVersionsTookNamesTheSameItemOrNothing)
{
    int same = 0;
    for (const Field* field : TunableFields()) {
        if (field->kind != FieldKind::Choice)
            continue;
        for (size_t position = 0; position < field->texts.size(); ++position) {
            const std::string number = std::to_string(position);
            if (Refusal(*field, number) == "(accepted)") {
                EXPECT_EQ(ParseFieldValue(*field, number), int(position)) << field->name << "=" << number;
                ++same;
            }
        }
    }
    EXPECT_EQ(same, 2) << "agpmode=1 and agpmode=2";
}

TEST(FieldValues, ValuesAndBitsAsShowPrintsThem)
{
    EXPECT_EQ(FieldValueText(AGPMODE, 0x1F000306), "(illegal value 6)");
    EXPECT_FALSE(HasValueName(AGPMODE, 0x1F000306));
    EXPECT_EQ(FieldValueText(AGPMODE, 0x1F000304), "AGP 4X");
    EXPECT_EQ(FieldValueText(LPTT, 0x0000F820), "248");
    EXPECT_EQ(FieldValueText(RDTHR, 0x00400000), "Limit at 87.5 % (700MB/s)") << "the window's padding left out";
    EXPECT_EQ(FieldValueText(SMS, 0x60000000), "Refresh interval: 100 Mhz - 1.28 \xC2\xB5s 133 Mhz - 0.96 \xC2\xB5s");
    EXPECT_EQ(RawBits(SMS, 0x277C0244), "0x50 bits 31-29: 001");
    EXPECT_EQ(RawBits(AGPFW, 0x1F000314), "0xA8 bit 4: 1");
    EXPECT_EQ(RawBits(LPTT, 0x00004020), "0xBC bits 15-8: 01000000");
}

TEST(HexText, DigitsAsLspciAndTheDataSheetWriteThem)
{
    EXPECT_EQ(Hex(0x11308086, 4), "8086");
    EXPECT_EQ(Hex(0x11308086 >> 16, 4), "1130");
    EXPECT_EQ(Hex(0x0A, 2), "0a");
    EXPECT_EQ(Hex(0x277C0244, 8), "277c0244");
    EXPECT_EQ(HexNumber(0xA8), "0xA8");
    EXPECT_EQ(HexNumber(0), "0x00");
    EXPECT_EQ(HexNumber(0x100), "0x100");
    EXPECT_EQ(HexNumber(0x11308086), "0x11308086");
}
