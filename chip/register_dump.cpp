#include "register_dump.h"

#include "config_access.h"
#include "echoed_text.h"
#include "hex_text.h"

#include <array>
#include <cctype>
#include <optional>
#include <vector>

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

int HexValue(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                       : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

unsigned ParseHex(const std::string& s)
{
    unsigned value = 0;
    for (char c : s)
        value = value * 16 + HexValue(c);
    return value;
}

// Matches a pattern where '#' stands for a hex digit and every other character for itself,
// as pciutils' dump reader does.
bool Matches(const std::string& line, const char* pattern)
{
    size_t i = 0;
    for (; pattern[i]; ++i) {
        if (i >= line.size())
            return false;
        if (pattern[i] == '#' ? !IsHex(line[i]) : line[i] != pattern[i])
            return false;
    }
    return true;
}

// "bb:dd.f name" or "dddd:bb:dd.f name": whether the device is 00:00.0; nothing when the line
// is no device header.
std::optional<bool> ParseHeader(const std::string& line)
{
    auto endsField = [&](size_t at) { return at == line.size() || line[at] == ' '; };
    std::string domain = "0", bdf;
    if (Matches(line, "##:##.#") && endsField(7)) {
        bdf = line.substr(0, 7);
    } else if (Matches(line, "####:##:##.#") && endsField(12)) {
        domain = line.substr(0, 4);
        bdf = line.substr(5, 7);
    } else {
        return std::nullopt;
    }
    return ParseHex(domain) == 0 && ParseHex(bdf.substr(0, 2)) == 0 &&
           ParseHex(bdf.substr(3, 2)) == 0 && ParseHex(bdf.substr(6, 1)) == 0;
}

std::string Where(const std::string& source, int lineNumber)
{
    return source + ", line " + std::to_string(lineNumber) + ": ";
}

}  // namespace

namespace {

// The bytes of 00:00.0 in a dump, and where each of the first 256 stands in the text.
struct ScannedDump {
    ConfigSpace space{};
    std::array<size_t, 256> at{};
};

ScannedDump ScanRegisterDump(const std::string& text, const std::string& source)
{
    ScannedDump dump;
    std::array<bool, 256> given{};
    std::vector<int> givenOn(4096);  // the line that gave each byte, 0 for none yet
    bool inHostBridge = false, foundHostBridge = false, hostBridgeDone = false;

    int lineNumber = 0;
    // Notepad begins a UTF-8 file with a byte order mark; the first header lies behind it.
    const bool byteOrderMark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    for (size_t start = byteOrderMark ? 3 : 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        const size_t lineStart = start;
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        if (const std::optional<bool> isHostBridge = ParseHeader(line)) {
            if (inHostBridge)
                hostBridgeDone = true;
            inHostBridge = *isHostBridge && !hostBridgeDone;
            foundHostBridge = foundHostBridge || *isHostBridge;
            continue;
        }
        if (line.empty()) {
            if (inHostBridge)
                hostBridgeDone = true;
            inHostBridge = false;
            continue;
        }
        // Data lines: "xx: hh hh ..." or "xxx: hh hh ..." (lspci -xxxx); anything else, such
        // as the text of lspci -v, is not ours to judge.
        size_t colon;
        if (Matches(line, "##: "))
            colon = 2;
        else if (Matches(line, "###: "))
            colon = 3;
        else
            continue;
        if (!inHostBridge)
            continue;

        unsigned offset = ParseHex(line.substr(0, colon));
        size_t at = colon + 2;
        while (at < line.size()) {
            if (!(at + 1 < line.size() && IsHex(line[at]) && IsHex(line[at + 1]) &&
                  (at + 2 == line.size() || line[at + 2] == ' ')))
                throw DumpError(Where(source, lineNumber) +
                                "malformed data line (expected \"xx: \" and hexadecimal byte "
                                "pairs separated by blanks): \"" + Echoed(line) + "\"");
            if (offset >= 4096)
                throw DumpError(Where(source, lineNumber) +
                                "data beyond the 4096 bytes of a configuration space");
            // Two values for one byte: an edit gone wrong, and neither is surely the chip's.
            if (givenOn[offset])
                throw DumpError(Where(source, lineNumber) + "byte " + HexNumber(offset) +
                                " is given twice (first on line " + std::to_string(givenOn[offset]) + ")");
            givenOn[offset] = lineNumber;
            if (offset < dump.space.size()) {
                dump.space[offset] = static_cast<uint8_t>(ParseHex(line.substr(at, 2)));
                dump.at[offset] = lineStart + at;
                given[offset] = true;
            }
            ++offset;
            at += 3;
        }
    }

    if (!foundHostBridge)
        throw DumpError(source + ": no device 00:00.0 (the host bridge) in this dump; it ends at line " +
                        std::to_string(lineNumber));
    size_t count = 0;
    while (count < given.size() && given[count])
        ++count;
    if (count < given.size())
        throw DumpError(source + ": the dump of 00:00.0 holds only the first " + std::to_string(count) +
                        " of the 256 bytes of configuration space; `lspci -xxx -s 00:00.0`, run as "
                        "root, gives the whole space");
    return dump;
}

}  // namespace

ConfigSpace ParseRegisterDump(const std::string& text, const std::string& source)
{
    return ScanRegisterDump(text, source).space;
}

std::string SpliceRegisterDump(const std::string& text, const ConfigSpace& space, const std::string& source)
{
    const ScannedDump dump = ScanRegisterDump(text, source);
    std::string spliced = text;
    for (size_t offset = 0; offset < space.size(); ++offset)
        if (dump.space[offset] != space[offset])  // an unchanged byte keeps its letters' case
            spliced.replace(dump.at[offset], 2, Hex(space[offset], 2));
    return spliced;
}

namespace {
const char I815Name[] = "Host bridge: Intel Corporation 82815 815 Chipset Host Bridge and Memory Controller Hub";
}

std::string HostBridgeHeader(const ConfigSpace& space)
{
    const uint32_t identity = uint32_t(space[0]) | uint32_t(space[1]) << 8 | uint32_t(space[2]) << 16 |
                              uint32_t(space[3]) << 24;
    const std::string revision = " (rev " + Hex(space[8], 2) + ")";
    if (identity == HostBridgeId)
        return I815Name + revision;
    return "Host bridge: [" + Hex(identity, 4) + ":" + Hex(identity >> 16, 4) + "]" + revision;
}

namespace {

// A chip of ours that is not an i815 (a dump of another bridge) keeps its own identity.
std::string EmulatedHeader(const ConfigSpace& space)
{
    const std::string emulated = " (emulated by i815 Quarvel)";
    const std::string header = HostBridgeHeader(space);
    return header.rfind(I815Name, 0) == 0 ? I815Name + emulated : header + emulated;
}

}  // namespace

std::string FormatRegisterDump(const ConfigSpace& space, const std::string& header)
{
    std::string text = "00:00.0 " + (header.empty() ? EmulatedHeader(space) : header) + "\n";
    for (size_t row = 0; row < space.size(); row += 16) {
        text += Hex(uint32_t(row), 2) + ":";
        for (size_t i = row; i < row + 16; ++i)
            text += " " + Hex(space[i], 2);
        text += '\n';
    }
    text += '\n';
    return text;
}
