#pragma once
// The text that `lspci -xxx` (or -xxxx) prints, read and written for device 00:00.0.

#include "config_space.h"

#include <stdexcept>
#include <string>

class DumpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the configuration space of 00:00.0 from a dump (a UTF-8 byte order mark at its start is
// skipped); `source` names the input in messages.
// Throws DumpError, naming the line, on a malformed data line, a byte given twice (naming both
// lines), a dump without 00:00.0, or one that does not hold all 256 bytes.
ConfigSpace ParseRegisterDump(const std::string& text, const std::string& source);
// The dump `text` with 00:00.0's 256 bytes made those of `space`, and everything else kept as
// it was: the other devices, the bytes beyond 256 of `lspci -xxxx`, the text of `lspci -v`, the
// header with the bridge's name, the line ends. Throws DumpError as ParseRegisterDump does.
std::string SpliceRegisterDump(const std::string& text, const ConfigSpace& space, const std::string& source);

// The dump of one device, 00:00.0, as `lspci -xxx` prints it under `header` (the words after
// "00:00.0 "); without one, the header names the bridge that the bytes identify and says that
// it is emulated.
std::string FormatRegisterDump(const ConfigSpace& space, const std::string& header = {});
// The header of a real host bridge: its name for an i815, else its vendor and device
// identities; with its revision.
std::string HostBridgeHeader(const ConfigSpace& space);
