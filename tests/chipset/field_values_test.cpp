// The fields in words: keys, values as files and command lines give them, and the legal values
// that messages and profile comments name.
#include "field_map.h"
#include "field_values.h"
#include "hex_text.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(ParseFieldValue(AGPMODE, "3"), 3);
    EXPECT_EQ(Refusal(AGPMODE, "0x3"),
              "agpmode: \"0x3\" is not a value of Selected AGP data transfer rate; legal values: \"None selected\" "
              "(0), \"AGP 1X\" (1), \"AGP 2X\" (2), \"AGP 4X\" (3)");
    EXPECT_EQ(ParseFieldValue(SMS, "refresh interval: 100 mhz - 7.8 \xC2\xB5s 133 mhz - 5.85 \xC2\xB5s"), 2);
    EXPECT_EQ(Refusal(TDLLE, "1"),
              "tdlle: \"1\" is not a value of Transmit DLL Disable & Bypass; legal values: on, off");

    EXPECT_EQ(FieldForKey(" RAS2CAS\t"), &RAS2CAS);
    EXPECT_EQ(FieldForKey("identity"), nullptr) << "a status field is no setting";
    EXPECT_EQ(FieldForKey(""), nullptr);
    EXPECT_EQ(FieldForKey("ras 2 cas"), nullptr);
}

TEST(FieldValues, ValuesAndBitsAsShowPrintsThem)
{
    EXPECT_EQ(FieldValueText(AGPMODE, 0x1F000306), "(illegal value 6)");
    EXPECT_FALSE(HasValueName(AGPMODE, 0x1F000306));
    EXPECT_EQ(FieldValueText(AGPMODE, 0x1F000304), "AGP 4X");
    EXPECT_EQ(FieldValueText(LPTT, 0x0000F820), "248");
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
