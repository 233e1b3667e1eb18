#include "dimm_decoder.h"

// clang-format off
const std::array<DimmLayout, 18> DimmLayoutTable{{
//   code size tech alt fDev fDep fW bDev bDep bW row bank altB col altC
    { 1,  32,  16,  0, 8,  2,  8, 8,  2,  8, 11, 1, 0,  9, 0},
    { 2,  32,  64,  0, 4,  4, 16, 0,  0,  0, 12, 2, 0,  8, 0},
    { 3,  48,  64, 16, 4,  4, 16, 8,  2,  8, 12, 2, 1,  8, 0},
    { 4,  64,  64,  0, 4,  4, 16, 4,  4, 16, 12, 2, 0,  8, 0},
    { 5,  64,  64,  0, 8,  8,  8, 0,  0,  0, 12, 2, 0,  9, 0},
    { 5,  64, 128,  0, 4,  8, 16, 0,  0,  0, 12, 2, 0,  9, 0},
    { 6,  96,  64,  0, 8,  8,  8, 4,  4, 16, 12, 2, 0,  9, 8},
    { 6,  96, 128, 64, 4,  8, 16, 4,  4, 16, 12, 2, 0,  9, 8},
    { 7, 128,  64,  0, 8,  8,  8, 8,  8,  8, 12, 2, 0,  9, 0},
    { 7, 128, 128,  0, 4,  8, 16, 4,  8, 16, 12, 2, 0,  9, 0},
    { 9, 128, 128,  0, 8, 16,  8, 0,  0,  0, 12, 2, 0, 10, 0},
    {10, 128, 256,  0, 4, 16, 16, 0,  0,  0, 13, 2, 0,  9, 0},
    {11, 192, 128,  0, 8, 16,  8, 4,  8, 16, 12, 2, 0, 10, 9},
    {11, 192, 128, 64, 8, 16,  8, 8,  8,  8, 12, 2, 0, 10, 9},
    {12, 256, 128,  0, 8, 16,  8, 8, 16,  8, 12, 2, 0, 10, 0},
    {13, 256, 256,  0, 4, 16, 16, 4, 16, 16, 13, 2, 0,  9, 0},
    {14, 256, 256,  0, 8, 32,  8, 0,  0,  0, 13, 2, 0, 10, 0},
    {15, 512, 256,  0, 8, 32,  8, 8, 32,  8, 13, 2, 0, 10, 0},
}};
// clang-format on

namespace {

std::string Suffix(uint32_t alternate)
{
    return alternate != 0 ? "/" + std::to_string(alternate) : std::string();
}

std::string DescribeLayout(const DimmLayout& d)
{
    using std::to_string;
    std::string text = " " + to_string(d.size) + " MB, DRAM Tech: " + to_string(d.tech) +
                       Suffix(d.altTech) + " Mb\n";
    text += "  Front Side: " + to_string(d.frontDevices) + " Devices, " + to_string(d.frontDepth) +
            " Mb x " + to_string(d.frontWidth) + "\n  Back Side: " + to_string(d.backDevices) +
            " Devices";
    if (d.backDevices != 0)
        text += ", " + to_string(d.backDepth) + " Mb x " + to_string(d.backWidth);
    text += "\n  Row: " + to_string(d.row) + ", Bank: " + to_string(d.bank) + Suffix(d.altBank) +
            " Column: " + to_string(d.column) + Suffix(d.altColumn) + "\n";
    return text;
}

}  // namespace

std::string DescribeDimm(uint32_t code)
{
    if (code == 0)
        return " Empty\n";
    std::string text;
    for (const DimmLayout& layout : DimmLayoutTable) {
        if (layout.code != code)
            continue;
        if (!text.empty())
            text += " " + std::string(48, '-') + "\n";
        text += DescribeLayout(layout);
    }
    if (text.empty())
        return " Unknown Register Code: " + std::to_string(code) + "\n";
    return text;
}
