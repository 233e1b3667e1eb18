// The driver's hands on 00:00.0: the HAL's bus-data routines for bus 0, slot 0 (device 0,
// function 0). They answer with the number of bytes they moved: 0 where the system has no such
// bus (Wine's HAL always), 2 for a read where no device answers; anything but the whole dword
// counts as no configuration space.
#include "driver_request.h"

#include <ntddk.h>

bool ReadChipDword(uint32_t offset, uint32_t* value)
{
    ULONG dword = 0;
    if (HalGetBusDataByOffset(PCIConfiguration, 0, 0, &dword, offset, sizeof dword) != sizeof dword)
        return false;
    *value = dword;
    return true;
}

bool WriteChipDword(uint32_t offset, uint32_t value)
{
    ULONG dword = value;
    return HalSetBusDataByOffset(PCIConfiguration, 0, 0, &dword, offset, sizeof dword) == sizeof dword;
}
