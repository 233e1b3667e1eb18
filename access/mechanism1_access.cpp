#include "mechanism1_access.h"

#include "port_access.h"

#include <memory>

Mechanism1Access::Mechanism1Access(PortAccess& ports, CycleLock* lock)
    : ConfigAccess(lock, Locking::EveryAccess), ports_(ports)
{
}

uint32_t Mechanism1Access::ReadDword(uint32_t offset)
{
    ports_.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    return ports_.In32(ConfigDataPort);
}

void Mechanism1Access::WriteDword(uint32_t offset, uint32_t value)
{
    ports_.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    ports_.Out32(ConfigDataPort, value);
}

void Mechanism1Access::SavePorts()
{
    const HeldLock held(lock());
    SavedConfigAddress = ports_.In32(ConfigAddressPort);
    SavedConfigData = ports_.In32(ConfigDataPort);
}

void Mechanism1Access::RestorePorts()
{
    const HeldLock held(lock());
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
