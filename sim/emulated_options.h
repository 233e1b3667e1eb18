#pragma once
// The emulated window's command line, `[--save FILE] [DUMP]`, the same on every system:
//   DUMP         an `lspci -xxx` dump to start from (default: the built-in image)
//   --save FILE  write the emulated configuration space to FILE, in the same format, at the end;
//                "-" is refused, standard output being no place for a window's dump
//   --help, --version

#include <optional>
#include <string>

struct EmulatedOptions {
    std::optional<std::string> dump;
    std::optional<std::string> save;
};

// What a command line asks for: the window with these options, or only a text to show.
struct EmulatedCommandLine {
    EmulatedOptions options;
    bool run = true;       // false: show `text` and end with `status`
    bool isError = false;  // `text` is an error (with the usage after it), else the asked-for output
    std::string text;      // lines, each ending in "\n"
    int status = 0;        // ExitNormal, or ExitBadInput for arguments it does not understand
};

EmulatedCommandLine ParseEmulatedCommandLine(int argc, const char* const* argv, const std::string& version);
