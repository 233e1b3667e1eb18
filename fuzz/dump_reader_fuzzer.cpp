// The `lspci -xxx` dump reader on any text: a space or a DumpError, nothing else; and what it
// reads, written back and read again, is the same.
#include "register_dump.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ConfigSpace space;
    try {
        space = ParseRegisterDump(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
    } catch (const DumpError&) {
        return 0;
    }
    if (ParseRegisterDump(FormatRegisterDump(space), "again") != space)
        std::abort();
    return 0;
}
