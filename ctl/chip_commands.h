#pragma once
// The commands of i815ctl that read and write the chip's settings one by one: show, get, set
// and dump.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class ConfigAccess;
struct Field;
struct Invocation;

// The commands (command_table.h).
int ShowCommand(Invocation& call);
int GetCommand(Invocation& call);
// Values with a warning are written only with --force, and only once each warning is out.
int SetCommand(Invocation& call);
// Onto standard output without a FILE or for "-"; a FILE is written whole or not at all.
int DumpCommand(Invocation& call);

// What show tells before the settings: the chip, its mode, its memory and its DIMM sockets.
struct ChipSummary {
    uint32_t identity = 0;
    uint32_t revision = 0;
    bool gfxMode = false;        // the chip drives its own graphics device
    bool agpAt3v3 = false;       // an AGP card signalling at 3.3 V (looked at only outside GFX mode)
    bool memoryAt133 = false;    // 133 MHz, else 100 MHz
    uint32_t dimmCodes[3] = {};  // population codes of DIMM 0, 1 and 2
    std::string Mode() const;    // "GFX mode", "AGP mode 3.3V" or "AGP mode 1.5V", as the window says
};

// Throws StatusError (status 2) on another host bridge.
ChipSummary ReadSummary(ConfigAccess& chip);

// The arguments of get, each checked before the chip is opened; throws BadValue (status 2)
// naming the first that is not a key.
std::vector<const Field*> FieldsOf(const std::vector<std::string>& keys);

// Within 80 columns: a value too long for its column has its bits on the line below.
void ShowChip(ConfigAccess& chip, std::ostream& out);
// The values alone, one per line, with single blanks where the window pads its items; `keyed`:
// "key=value" lines, as sysctl -a prints them.
void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out, bool keyed = false);
// The configuration space as `lspci -xxx` prints it; works on any host bridge.
std::string FormatDump(ConfigAccess& chip);
