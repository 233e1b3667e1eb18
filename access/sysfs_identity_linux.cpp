#include "sysfs_identity.h"

#include "paths.h"

#include <fstream>

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

}  // namespace

std::optional<uint32_t> SysfsIdentity(const std::string& configPath)
{
    const std::string folder = FolderOf(configPath);
    const auto vendor = ReadId(PathIn(folder, "vendor")), device = ReadId(PathIn(folder, "device"));
    if (!vendor || !device)
        return std::nullopt;
    return *device << 16 | *vendor;
}
