#pragma once
// The i815 reports each DIMM socket as a 4-bit population code. A code does not name one
// module: several organisations of SDRAM devices give the same code, so a description
// lists every organisation that matches.

#include <array>
#include <cstdint>
#include <string>

struct DimmLayout {
    uint32_t code;
    uint32_t size;         // MB
    uint32_t tech;         // Mb, one front-side device
    uint32_t altTech;      // Mb, one back-side device where it differs, else 0
    uint32_t frontDevices;
    uint32_t frontDepth;   // mega-words
    uint32_t frontWidth;   // bits
    uint32_t backDevices;  // 0: single-sided
    uint32_t backDepth;
    uint32_t backWidth;
    uint32_t row;          // row address bits, both sides
    uint32_t bank;         // bank address bits, front side
    uint32_t altBank;      // back side where it differs, else 0
    uint32_t column;       // column address bits, front side
    uint32_t altColumn;    // back side where it differs, else 0
};

extern const std::array<DimmLayout, 18> DimmLayoutTable;

// A description ending in a line break: " Empty\n", one block per matching organisation,
// or " Unknown Register Code: N\n".
std::string DescribeDimm(uint32_t code);
