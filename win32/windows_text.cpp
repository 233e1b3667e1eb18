#include "windows_text.h"

#include "windows1252.h"

namespace {

bool IsUtf8(const std::string& text)
{
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
                return false;
        at += length;
    }
    return true;
}

}  // namespace

std::string WindowsText(const std::string& utf8) { return ToWindows1252(utf8); }

std::string WindowsLines(const std::string& utf8)
{
    std::string lines;
    for (char c : ToWindows1252(utf8)) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    return lines;
}

std::string FailureText(const std::string& message) { return IsUtf8(message) ? ToWindows1252(message) : message; }
