#pragma once
// PCI configuration mechanism #1: the address port 0xCF8 selects a dword, the data port 0xCFC
// transfers it. Two instructions make one cycle, and a cycle of another program between them
// would take our address or give us its data; so every access is made under the lock between
// programs (when one is given).

#include "config_access.h"

class PortAccess;

class Mechanism1Access : public ConfigAccess {
public:
    // Without a lock: only for a chip that no other program sees (the emulated one).
    explicit Mechanism1Access(PortAccess& ports, CycleLock* lock = nullptr);

    // Fill and use SavedConfigAddress and SavedConfigData.
    void SavePorts() override;
    void RestorePorts() override;

private:
    uint32_t ReadDword(uint32_t offset) override;
    void WriteDword(uint32_t offset, uint32_t value) override;

    PortAccess& ports_;
};

// Selects mechanism #1 through these ports for the free functions of config_access.h, without
// the lock between programs (the emulated chip, tests). nullptr selects nothing.
void SelectPortAccess(PortAccess* ports);
