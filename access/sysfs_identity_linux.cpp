#include "sysfs_identity.h"

#include <fstream>
#include <stdexcept>

namespace {

// "0x8086\n": the kernel's form of a 16-bit ID.
std::optional<uint32_t> ReadId(const std::string& path)
{
    std::ifstream file(path);
    std::string text;
    if (!std::getline(file, text) || text.size() != 6 || text.compare(0, 2, "0x") != 0)
        return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

[[noreturn]] void NotThere() { throw std::logic_error("This host bridge is not an i815: nothing but its identity is read"); }

}  // namespace

std::optional<uint32_t> SysfsIdentity(const std::string& configPath)
{
    const std::string dir = configPath.substr(0, configPath.rfind('/') + 1);
    const auto vendor = ReadId(dir + "vendor"), device = ReadId(dir + "device");
    if (!vendor || !device)
        return std::nullopt;
    return *device << 16 | *vendor;
}

uint32_t ForeignBridgeAccess::Read(uint32_t offset)
{
    if (offset != 0x00)
        NotThere();
    return identity_;
}

void ForeignBridgeAccess::Write(uint32_t, uint32_t) { NotThere(); }

uint32_t ForeignBridgeAccess::Modify(uint32_t, uint32_t, uint32_t) { NotThere(); }
