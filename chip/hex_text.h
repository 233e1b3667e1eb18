#pragma once
// Numbers in hexadecimal, as the chip's tools write them.

#include <cstdint>
#include <string>

// The low `digits` hexadecimal digits of value, lower case, with leading zeros: as lspci and
// the helper's protocol write them ("8086", "0a", "277c0244").
std::string Hex(uint32_t value, unsigned digits);

// An offset, a byte or a register as the data sheet writes it: "0x" and at least two capital
// digits ("0xA8", "0x00", "0x11308086").
std::string HexNumber(uint32_t value);
