#include "code_page_output.h"

#include "windows1252.h"

#include <cstdint>

std::string Utf8Joiner::Take(const char* text, size_t size)
{
    std::string whole = held_ + std::string(text, size);
    // The last lead byte among the last three, when its sequence still lacks bytes.
    size_t keep = 0;
    for (size_t back = 1; back <= 3 && back <= whole.size(); ++back) {
        const auto c = static_cast<unsigned char>(whole[whole.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        const size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        keep = length > back ? back : 0;
        break;
    }
    held_ = whole.substr(whole.size() - keep);
    whole.resize(whole.size() - keep);
    return whole;
}

std::string Utf8Joiner::Rest()
{
    std::string rest;
    rest.swap(held_);
    return rest;
}

std::string Windows1252Output(const std::string& text)
{
    std::string bytes;
    for (size_t at = 0; at < text.size();) {
        uint32_t code = 0;
        const size_t length = Utf8Sequence(text, at, code);
        bytes += length ? Windows1252Byte(code) : text[at];
        at += length ? length : 1;
    }
    return bytes;
}

std::u16string Utf16Output(const std::string& text, const std::function<std::u16string(const std::string&)>& ansi)
{
    std::u16string units;
    std::string other;
    for (size_t at = 0; at < text.size();) {
        uint32_t code = 0;
        const size_t length = Utf8Sequence(text, at, code);
        if (length == 0) {
            other += text[at++];
            continue;
        }
        if (!other.empty())
            units += ansi(other), other.clear();
        if (code < 0x10000) {
            units += char16_t(code);
        } else if (code < 0x110000) {
            units += char16_t(0xD800 + ((code - 0x10000) >> 10));
            units += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += u'?';
        }
        at += length;
    }
    if (!other.empty())
        units += ansi(other);
    return units;
}
