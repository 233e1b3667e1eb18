// The driver's test build, never shipped: its two HAL calls answered by an i815 in memory that
// starts as the built-in emulated one at every load of the driver. Plain memory, not the
// emulator: every bit reads as last written, so the tests through it write only settings'
// bits, which the chip keeps as written too.
#include "driver_request.h"

#include "test_chip_image.h"  // generated: testChipDwords

bool ReadChipDword(uint32_t offset, uint32_t* value)
{
    *value = testChipDwords[offset / 4];
    return true;
}

bool WriteChipDword(uint32_t offset, uint32_t value)
{
    testChipDwords[offset / 4] = value;
    return true;
}
