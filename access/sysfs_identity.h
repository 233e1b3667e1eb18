#pragma once
// The host bridge's identity as the kernel shows it to everyone: the files vendor and device
// beside its configuration file hold the IDs it read at boot, so asking costs no
// configuration cycle and needs no privilege. The window asks before anything would start a
// helper or ask for a password.

#include "config_access.h"

#include <optional>
#include <string>

// Dword 0x00 as the chip would give it (device ID << 16 | vendor ID), from the files in the
// folder of `configPath`; nothing when they cannot be read.
std::optional<uint32_t> SysfsIdentity(const std::string& configPath);

// Another host bridge, known from those files: answers the identity read, so that a program
// refuses it as it refuses any other; the ports have nothing to keep; anything else is a fault.
class ForeignBridgeAccess : public ConfigAccess {
public:
    explicit ForeignBridgeAccess(uint32_t identity) : identity_(identity) {}
    uint32_t Read(uint32_t offset) override;
    void Write(uint32_t offset, uint32_t value) override;
    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;

private:
    uint32_t identity_;
};
