#include "foreign_bridge_access.h"

#include <stdexcept>

namespace {

[[noreturn]] void NotThere() { throw std::logic_error("This host bridge is not an i815: nothing but its identity is read"); }

}  // namespace

uint32_t ForeignBridgeAccess::ReadDword(uint32_t offset)
{
    if (offset != 0x00)
        NotThere();
    return identity_;
}

void ForeignBridgeAccess::WriteDword(uint32_t, uint32_t) { NotThere(); }

uint32_t ForeignBridgeAccess::Modify(uint32_t, uint32_t, uint32_t) { NotThere(); }
