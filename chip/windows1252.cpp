#include "windows1252.h"

namespace {

// Code points of the bytes 0x80-0x9F; 0 where Windows-1252 leaves the byte undefined.
constexpr uint16_t High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

size_t Utf8Sequence(const std::string& text, size_t at, uint32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms would smuggle ASCII past a check of the bytes.
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    return code < least[length] ? 0 : length;
}

char Windows1252Byte(uint32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (High[i] != 0 && High[i] == code)
            return static_cast<char>(0x80 + i);
    return '?';
}

std::string ToWindows1252(const std::string& utf8)
{
    std::string bytes;
    for (size_t at = 0; at < utf8.size();) {
        uint32_t code = 0;
        const size_t length = Utf8Sequence(utf8, at, code);
        bytes += length ? Windows1252Byte(code) : '?';
        at += length ? length : 1;
    }
    return bytes;
}
