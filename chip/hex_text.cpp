#include "hex_text.h"

namespace {

std::string Digits(uint32_t value, unsigned digits, const char* letters)
{
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4)
        text[i] = letters[value & 15];
    return text;
}

}  // namespace

std::string Hex(uint32_t value, unsigned digits) { return Digits(value, digits, "0123456789abcdef"); }

std::string HexNumber(uint32_t value)
{
    unsigned digits = 2;
    while (digits < 8 && (value >> (4 * digits)) != 0)
        ++digits;
    return "0x" + Digits(value, digits, "0123456789ABCDEF");
}
