#include "dimm_decoder.h"

#include <gtest/gtest.h>

namespace {

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

}  // namespace

// A mistyped cell breaks one of the relations that every module organisation obeys.
TEST(DimmLayoutTable, EveryRowIsAConsistentModule)
{
    uint32_t previousCode = 0;
    for (const DimmLayout& d : DimmLayoutTable) {
        SCOPED_TRACE("code " + std::to_string(d.code) + ", " + std::to_string(d.size) + " MB");
        EXPECT_GE(d.code, previousCode) << "rows are ordered by code";
        previousCode = d.code;
        EXPECT_EQ(d.size * 8, d.frontDevices * d.frontDepth * d.frontWidth +
                                  d.backDevices * d.backDepth * d.backWidth);
        EXPECT_EQ(d.tech, d.frontDepth * d.frontWidth);
        EXPECT_EQ(1u << (d.row + d.column + d.bank), d.frontDepth << 20);
        if (d.backDevices == 0) {
            EXPECT_EQ(d.backDepth + d.backWidth + d.altTech + d.altBank + d.altColumn, 0u);
            continue;
        }
        const uint32_t backBank = d.altBank ? d.altBank : d.bank;
        const uint32_t backColumn = d.altColumn ? d.altColumn : d.column;
        EXPECT_EQ(1u << (d.row + backColumn + backBank), d.backDepth << 20);
        const uint32_t backTech = d.backDepth * d.backWidth;
        EXPECT_EQ(d.altTech, backTech == d.tech ? 0 : backTech);
    }
}

TEST(DescribeDimm, TextsOfTheDocumentedCodes)
{
    EXPECT_EQ(DescribeDimm(3),
              " 48 MB, DRAM Tech: 64/16 Mb\n  Front Side: 4 Devices, 4 Mb x 16\n"
              "  Back Side: 8 Devices, 2 Mb x 8\n  Row: 12, Bank: 2/1 Column: 8\n");
    EXPECT_EQ(DescribeDimm(7),
              " 128 MB, DRAM Tech: 64 Mb\n  Front Side: 8 Devices, 8 Mb x 8\n"
              "  Back Side: 8 Devices, 8 Mb x 8\n  Row: 12, Bank: 2 Column: 9\n"
              " ------------------------------------------------\n"
              " 128 MB, DRAM Tech: 128 Mb\n  Front Side: 4 Devices, 8 Mb x 16\n"
              "  Back Side: 4 Devices, 8 Mb x 16\n  Row: 12, Bank: 2 Column: 9\n");
    EXPECT_EQ(DescribeDimm(2),
              " 32 MB, DRAM Tech: 64 Mb\n  Front Side: 4 Devices, 4 Mb x 16\n"
              "  Back Side: 0 Devices\n  Row: 12, Bank: 2 Column: 8\n");
    EXPECT_EQ(DescribeDimm(6),
              " 96 MB, DRAM Tech: 64 Mb\n  Front Side: 8 Devices, 8 Mb x 8\n"
              "  Back Side: 4 Devices, 4 Mb x 16\n  Row: 12, Bank: 2 Column: 9/8\n"
              " ------------------------------------------------\n"
              " 96 MB, DRAM Tech: 128/64 Mb\n  Front Side: 4 Devices, 8 Mb x 16\n"
              "  Back Side: 4 Devices, 4 Mb x 16\n  Row: 12, Bank: 2 Column: 9/8\n");
    EXPECT_EQ(DescribeDimm(0), " Empty\n");
    EXPECT_EQ(DescribeDimm(8), " Unknown Register Code: 8\n");
    EXPECT_EQ(DescribeDimm(16), " Unknown Register Code: 16\n");
}

TEST(DescribeDimm, EveryCodeGivesOneBlockPerMatchingRow)
{
    for (uint32_t code = 1; code <= 15; ++code) {
        size_t rows = 0;
        for (const DimmLayout& d : DimmLayoutTable)
            rows += d.code == code;
        const std::string text = DescribeDimm(code);
        SCOPED_TRACE(text);
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(Count(text, " MB, DRAM Tech: "), rows);
        EXPECT_EQ(Count(text, std::string(48, '-')), rows ? rows - 1 : 0);
        EXPECT_EQ(Count(text, ", Column"), 0u);
        EXPECT_EQ(rows == 0, code == 8);
    }
}
