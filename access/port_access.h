#pragma once
// The port layer: the only door to the hardware. Two operations, a 32-bit IN and a 32-bit
// OUT, and interchangeable back ends (real x86 port instructions, or the emulated chip).
// Mechanism #1 (mechanism1_access.h) makes configuration cycles through whichever it is given.

#include <cstdint>

class PortAccess {
public:
    virtual ~PortAccess() = default;
    virtual uint32_t In32(uint16_t port) = 0;
    virtual void Out32(uint16_t port, uint32_t value) = 0;
};
