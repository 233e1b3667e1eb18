// The helper's request reader on any bytes, on an emulated i815 with a pending SMRAM error:
// whatever comes down the pipe, no bit outside the settings ever changes, the error stays
// pending, and every request gets exactly one answer line.
#include "emulated_i815.h"
#include "field_map.h"
#include "helper_session.h"
#include "mechanism1_access.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EmulatedI815 chip;
    chip.SetDword(0x70, chip.Dword(0x70) | 1);
    const ConfigSpace start = chip.Space();
    Mechanism1Access access(chip);
    HelperSession session(access, [](const std::string&) {});
    const std::string replies = session.Receive(reinterpret_cast<const char*>(data), size);
    session.End();

    const EmulatedI815 before(start);
    for (uint32_t offset = 0; offset < 256; offset += 4)
        if ((chip.Dword(offset) ^ before.Dword(offset)) & ~TunableBits(offset))
            std::abort();
    if ((chip.Dword(0x70) & 1) == 0)
        std::abort();
    if (std::count(replies.begin(), replies.end(), '\n') != std::count(data, data + size, uint8_t('\n')))
        std::abort();
    return 0;
}
