#pragma once
// The text that `lspci -xxx` (or -xxxx) prints, read and written for device 00:00.0.

#include "emulated_i815.h"

#include <stdexcept>
#include <string>

class DumpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the configuration space of 00:00.0 from a dump; `source` names the input in messages.
// Throws DumpError, naming the line, on a malformed data line, a dump without 00:00.0, or one
// that does not hold all 256 bytes.
ConfigSpace ParseRegisterDump(const std::string& text, const std::string& source);
ConfigSpace ReadRegisterDumpFile(const std::string& path);

std::string FormatRegisterDump(const ConfigSpace& space);
void WriteRegisterDumpFile(const std::string& path, const ConfigSpace& space);
