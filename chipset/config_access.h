#pragma once
// PCI configuration mechanism #1 on bus 0, device 0, function 0: the host bridge.
// Whole 32-bit dwords only, through the address port 0xCF8 and the data port 0xCFC.

#include <cstdint>

constexpr uint16_t ConfigAddressPort = 0xCF8;
constexpr uint16_t ConfigDataPort = 0xCFC;
constexpr uint32_t ConfigEnableBit = 0x80000000;  // bus, device and function all 0
constexpr uint32_t HostBridgeId = 0x11308086;      // device 0x1130, vendor 0x8086: i815

// Both ports as the program found them, filled by SaveConfigPorts.
extern uint32_t SavedConfigAddress;
extern uint32_t SavedConfigData;

uint32_t ReadConfig(uint32_t offset);
void WriteConfig(uint32_t offset, uint32_t value);

// Read-modify-write of the bits of mask in one dword; all other bits go back as read.
// Returns the value written. (The window's SetConfigBits adds the refresh.)
uint32_t ModifyConfigBits(uint32_t offset, uint32_t mask, bool set);

// Reads the address port, then the data port; nothing is written before.
void SaveConfigPorts();

// Puts the saved address back into the address port. The saved data is deliberately not
// written back: that would be a configuration write of a stale value into whatever register
// the saved address selects (dword 0x50 would lose the user's own timing change).
void RestoreConfigPorts();
