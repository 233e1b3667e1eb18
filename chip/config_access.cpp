#include "config_access.h"

#include "field_map.h"
#include "hex_text.h"

#include <stdexcept>

uint32_t SavedConfigAddress = 0;
uint32_t SavedConfigData = 0;

namespace {

ConfigAccess* selected = nullptr;

void CheckOffset(uint32_t offset)
{
    if (offset % 4 != 0 || offset >= 0x100)
        throw std::out_of_range("Offset " + HexNumber(offset) + " is not a dword of the configuration space");
}

}  // namespace

uint32_t ConfigAccess::Read(uint32_t offset)
{
    CheckOffset(offset);
    const HeldLock held(EachAccessLock());
    return ReadDword(offset);
}

void ConfigAccess::Write(uint32_t offset, uint32_t value)
{
    CheckOffset(offset);
    const HeldLock held(EachAccessLock());
    WriteDword(offset, value);
}

uint32_t ConfigAccess::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    CheckOffset(offset);
    const HeldLock held(lock_);
    const uint32_t value = ModifiedDword(offset, ReadDword(offset), mask, bits);
    WriteDword(offset, value);
    return value;
}

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
