#pragma once
// The port layer: the only door to the hardware. Two operations, a 32-bit IN and a 32-bit
// OUT, and interchangeable back ends (real x86 port instructions, or the emulated chip).
// The configuration functions talk to whichever back end is selected and never know which.

#include <cstdint>

class PortAccess {
public:
    virtual ~PortAccess() = default;
    virtual uint32_t In32(uint16_t port) = 0;
    virtual void Out32(uint16_t port, uint32_t value) = 0;
};

// Selects the back end for all later port operations; the caller keeps ownership.
void SelectPortAccess(PortAccess* backend);
PortAccess& CurrentPortAccess();
