#include "config_access.h"

#include "port_access.h"

uint32_t SavedConfigAddress = 0;
uint32_t SavedConfigData = 0;

uint32_t ReadConfig(uint32_t offset)
{
    PortAccess& ports = CurrentPortAccess();
    ports.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    return ports.In32(ConfigDataPort);
}

void WriteConfig(uint32_t offset, uint32_t value)
{
    PortAccess& ports = CurrentPortAccess();
    ports.Out32(ConfigAddressPort, ConfigEnableBit | offset);
    ports.Out32(ConfigDataPort, value);
}

uint32_t ModifyConfigBits(uint32_t offset, uint32_t mask, bool set)
{
    uint32_t value = ReadConfig(offset) & ~mask;
    if (set)
        value |= mask;
    WriteConfig(offset, value);
    return value;
}

void SaveConfigPorts()
{
    PortAccess& ports = CurrentPortAccess();
    SavedConfigAddress = ports.In32(ConfigAddressPort);
    SavedConfigData = ports.In32(ConfigDataPort);
}

void RestoreConfigPorts()
{
    CurrentPortAccess().Out32(ConfigAddressPort, SavedConfigAddress);
}
