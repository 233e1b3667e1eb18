#include "emulated_i815.h"

#include "config_access.h"

namespace {

constexpr uint32_t BusDeviceFunctionBits = 0x00FFFF00;
constexpr uint32_t RegisterBits = 0xFC;
constexpr uint32_t AllOnes = 0xFFFFFFFF;

// MISCC bit 19 locks the throttle settings, bits 19-23, until the chip is reset.
constexpr uint32_t ThrottleLockBit = 1u << 19;
constexpr uint32_t ThrottleBits = 0x00F80000;

// SMRAM, the low byte of dword 0x70. E_SMRAM_ERR is set by the chip and cleared by writing 1;
// D_LCK is set by writing 1 and cleared only by a reset, and then freezes GMS (7:6), USMM (5:4)
// and LSMM (3).
constexpr uint32_t SmramErrorBit = 1u << 0;
constexpr uint32_t SmramLockBit = 1u << 1;
constexpr uint32_t SmramLockedBits = 0xF8;

// AGP status (0xA4) bit 2 reports 4X support; the 4X override (0xB0 bit 0) takes it away.
constexpr uint32_t Agp4xSupportBit = 1u << 2;
constexpr uint32_t Agp4xOverrideBit = 1u << 0;

// AMTT (0xBC) and LPTT (0xBD) count in their bits 7-3; bits 2-0 of each are reserved and read
// 0, whatever an image holds there.
constexpr uint32_t TimerReservedBits = 0x00000707;

}  // namespace

EmulatedI815::EmulatedI815() : EmulatedI815(DefaultImage()) {}

EmulatedI815::EmulatedI815(const ConfigSpace& image) : space_(image) {}

ConfigSpace EmulatedI815::DefaultImage()
{
    // Stepping A-2, AGP card at 1.5 V, 133 MHz memory, DIMM 0 code 12, DIMM 1 code 7, DIMM 2 empty.
    // 0x70 was read from a real i815 machine.
    struct Entry { uint32_t offset, value; };
    static const Entry entries[] = {
        {0x00, 0x11308086}, {0x04, 0x20900006}, {0x08, 0x06000002}, {0x10, 0xF8000008},
        {0x34, 0x00000088}, {0x50, 0x277C0244}, {0x54, 0x00000000}, {0x70, 0x0A82800C},
        {0x88, 0xF104A009},  // vendor-specific capability, next: the AGP capability at 0xA0
        {0x9C, 0x00000000}, {0xA0, 0x00200002}, {0xA4, 0x1F000207}, {0xA8, 0x1F000304},
        {0xB0, 0x00000080}, {0xBC, 0x00002020},
    };
    EmulatedI815 chip(ConfigSpace{});
    for (const Entry& e : entries)
        chip.SetDword(e.offset, e.value);
    return chip.Space();
}

uint32_t EmulatedI815::WritableMask(uint32_t offset, uint32_t currentValue)
{
    switch (offset) {
    case 0x50: return 0xFF0002C8;  // DPCP, CLT, MAG; bit 9; DRAMT. Straps and DIMM codes read-only.
    case 0x70: {
        uint32_t writable = 0xA8FB00FC & ~SmramLockBit;  // the two SMRAM flags are no plain bits
        if (currentValue & ThrottleLockBit)
            writable &= ~ThrottleBits;
        if (currentValue & SmramLockBit)
            writable &= ~SmramLockedBits;
        return writable;
    }
    case 0x9C: return 0x00008000;  // transmit DLL disable
    case 0xA8: return 0x00000337;  // AGPCMD: data rate, fast writes, AGP enable, sideband
    case 0xB0: return 0x00000081;
    case 0xBC: return 0x0000F8F8;  // AMTT and LPTT, low three bits reserved; bit 19 is a strap
    default: return 0;
    }
}

uint32_t EmulatedI815::Dword(uint32_t offset) const
{
    const uint32_t o = offset & RegisterBits;
    return uint32_t(space_[o]) | uint32_t(space_[o + 1]) << 8 | uint32_t(space_[o + 2]) << 16 |
           uint32_t(space_[o + 3]) << 24;
}

void EmulatedI815::SetDword(uint32_t offset, uint32_t value)
{
    const uint32_t o = offset & RegisterBits;
    for (int i = 0; i < 4; ++i)
        space_[o + i] = uint8_t(value >> (8 * i));
}

bool EmulatedI815::AddressSelectsHostBridge() const
{
    return (address_ & ConfigEnableBit) && (address_ & BusDeviceFunctionBits) == 0;
}

void EmulatedI815::WriteConfigDword(uint32_t offset, uint32_t value)
{
    const uint32_t old = Dword(offset);
    const uint32_t writable = WritableMask(offset, old);
    uint32_t now = (old & ~writable) | (value & writable);
    if (offset == 0x70) {
        now &= ~(value & SmramErrorBit);  // write 1 to clear
        now |= value & SmramLockBit;      // write 1 to set, once
    }
    SetDword(offset, now);
}

uint32_t EmulatedI815::ReadConfigDword(uint32_t offset) const
{
    uint32_t value = Dword(offset);
    if (offset == 0xA4 && (Dword(0xB0) & Agp4xOverrideBit))
        value &= ~Agp4xSupportBit;
    if (offset == 0xBC)
        value &= ~TimerReservedBits;
    return value;
}

uint32_t EmulatedI815::In32(uint16_t port)
{
    uint32_t value = AllOnes;
    if (port == ConfigAddressPort)
        value = address_;
    else if (port == ConfigDataPort && AddressSelectsHostBridge())
        value = ReadConfigDword(address_ & RegisterBits);
    if (keepTrace_)
        trace_.push_back({PortOperation::In, port, value});
    return value;
}

void EmulatedI815::Out32(uint16_t port, uint32_t value)
{
    if (keepTrace_)
        trace_.push_back({PortOperation::Out, port, value});
    if (port == ConfigAddressPort)
        address_ = value;
    else if (port == ConfigDataPort && AddressSelectsHostBridge())
        WriteConfigDword(address_ & RegisterBits, value);
}
