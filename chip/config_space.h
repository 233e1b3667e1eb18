#pragma once
// The 256 bytes of configuration space of one PCI function, as a dump or the kernel's file
// holds them; dword n is bytes 4n to 4n+3, least significant first.

#include <array>
#include <cstdint>

using ConfigSpace = std::array<uint8_t, 256>;
