#include "echoed_text.h"

std::string Echoed(const std::string& text)
{
    size_t characters = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            continue;  // a continuation byte: part of the character before
        if (++characters > EchoedCharacters)
            return text.substr(0, at) + "...";
    }
    return text;
}
