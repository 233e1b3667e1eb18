#pragma once
// PCI configuration mechanism #1: the address port 0xCF8 selects a dword, the data port 0xCFC
// transfers it. Two instructions make one cycle, and a cycle of another program between them
// would take our address or give us its data; so every cycle, and every read-modify-write,
// is made under the lock between programs (when one is given).

#include "config_access.h"

class ConfigLock;
class PortAccess;

class Mechanism1Access : public ConfigAccess {
public:
    // Without a lock: only for a chip that no other program sees (the emulated one).
    explicit Mechanism1Access(PortAccess& ports, ConfigLock* lock = nullptr);

    uint32_t Read(uint32_t offset) override;
    void Write(uint32_t offset, uint32_t value) override;
    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;
    // Fill and use SavedConfigAddress and SavedConfigData.
    void SavePorts() override;
    void RestorePorts() override;

private:
    uint32_t ReadCycle(uint32_t offset);
    void WriteCycle(uint32_t offset, uint32_t value);

    PortAccess& ports_;
    ConfigLock* lock_;
};

// Selects mechanism #1 through these ports for the free functions of config_access.h, without
// the lock between programs (the emulated chip, tests). nullptr selects nothing.
void SelectPortAccess(PortAccess* ports);
