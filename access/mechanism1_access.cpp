#include "mechanism1_access.h"

#include "config_lock.h"
#include "field_map.h"
#include "port_access.h"

#include <memory>

Mechanism1Access::Mechanism1Access(PortAccess& ports, ConfigLock* lock) : ports_(ports), lock_(lock) {}

uint32_t Mechanism1Access::ReadCycle(uint32_t offset)
{
    ports_.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    return ports_.In32(ConfigDataPort);
}

void Mechanism1Access::WriteCycle(uint32_t offset, uint32_t value)
{
    ports_.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    ports_.Out32(ConfigDataPort, value);
}

uint32_t Mechanism1Access::Read(uint32_t offset)
{
    const HeldLock held(lock_);
    return ReadCycle(offset);
}

void Mechanism1Access::Write(uint32_t offset, uint32_t value)
{
    const HeldLock held(lock_);
    WriteCycle(offset, value);
}

uint32_t Mechanism1Access::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    const HeldLock held(lock_);
    const uint32_t value = ModifiedDword(offset, ReadCycle(offset), mask, bits);
    WriteCycle(offset, value);
    return value;
}

void Mechanism1Access::SavePorts()
{
    const HeldLock held(lock_);
    SavedConfigAddress = ports_.In32(ConfigAddressPort);
    SavedConfigData = ports_.In32(ConfigDataPort);
}

void Mechanism1Access::RestorePorts()
{
    const HeldLock held(lock_);
    ports_.Out32(ConfigAddressPort, SavedConfigAddress);
}

namespace {
std::unique_ptr<Mechanism1Access> throughPorts;
}  // namespace

void SelectPortAccess(PortAccess* ports)
{
    throughPorts = ports ? std::make_unique<Mechanism1Access>(*ports) : nullptr;
    SelectConfigAccess(throughPorts.get());
}
