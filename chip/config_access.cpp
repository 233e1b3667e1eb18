#include "config_access.h"

#include <stdexcept>

uint32_t SavedConfigAddress = 0;
uint32_t SavedConfigData = 0;

namespace {
ConfigAccess* selected = nullptr;
}  // namespace

void SelectConfigAccess(ConfigAccess* access) { selected = access; }

ConfigAccess& CurrentConfigAccess()
{
    if (!selected)
        throw std::logic_error("No configuration access has been selected");
    return *selected;
}

uint32_t ReadConfig(uint32_t offset) { return CurrentConfigAccess().Read(offset); }

void WriteConfig(uint32_t offset, uint32_t value) { CurrentConfigAccess().Write(offset, value); }

uint32_t ModifyConfigBits(uint32_t offset, uint32_t mask, bool set)
{
    return CurrentConfigAccess().Modify(offset, mask, set ? mask : 0);
}

void SaveConfigPorts() { CurrentConfigAccess().SavePorts(); }

void RestoreConfigPorts() { CurrentConfigAccess().RestorePorts(); }
