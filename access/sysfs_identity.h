#pragma once
// The host bridge's identity as the kernel shows it to everyone: the files vendor and device
// beside its configuration file hold the IDs it read at boot, so asking costs no
// configuration cycle and needs no privilege. The window asks before anything would start a
// helper or ask for a password.

#include <cstdint>
#include <optional>
#include <string>

// Dword 0x00 as the chip would give it (device ID << 16 | vendor ID), from the files in the
// folder of `configPath`; nothing when they cannot be read.
std::optional<uint32_t> SysfsIdentity(const std::string& configPath);
