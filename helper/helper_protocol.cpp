#include "helper_protocol.h"

#include "hex_text.h"

#include <vector>

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words(1);
    for (char c : line) {
        if (c == ' ')
            words.emplace_back();
        else
            words.back() += c;
    }
    return words;
}

}  // namespace

std::string HexWord(uint32_t value) { return Hex(value, 8); }
std::string HexByte(uint32_t value) { return Hex(value, 2); }

std::optional<uint32_t> ParseHex(const std::string& text, size_t digits)
{
    if (text.size() != digits)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

std::optional<HelperRequest> ParseHelperRequest(const std::string& line)
{
    if (line.size() > HelperLineLimit)
        return std::nullopt;
    const std::vector<std::string> w = Words(line);
    if (w.size() == 1 && w[0] == "save")
        return HelperRequest{HelperRequest::Save};
    if (w.size() == 1 && w[0] == "restore")
        return HelperRequest{HelperRequest::Restore};
    if (w.size() == 2 && w[0] == "read") {
        if (const auto offset = ParseHex(w[1], 2))
            return HelperRequest{HelperRequest::Read, *offset};
        return std::nullopt;
    }
    if (w.size() == 4 && w[0] == "modify") {
        const auto offset = ParseHex(w[1], 2), mask = ParseHex(w[2], 8), bits = ParseHex(w[3], 8);
        if (offset && mask && bits)
            return HelperRequest{HelperRequest::Modify, *offset, *mask, *bits};
    }
    return std::nullopt;
}

std::string FormatHelperRequest(const HelperRequest& request)
{
    switch (request.kind) {
    case HelperRequest::Read: return "read " + HexByte(request.offset);
    case HelperRequest::Modify:
        return "modify " + HexByte(request.offset) + " " + HexWord(request.mask) + " " + HexWord(request.bits);
    case HelperRequest::Save: return "save";
    case HelperRequest::Restore: return "restore";
    }
    return {};
}
