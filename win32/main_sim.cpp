// i815quarvel-sim.exe [--save FILE] [DUMP]: the same window on the emulated i815, as on Linux.
// Its texts (usage, version, a bad DUMP) go to the standard handles where it has them (started
// from a shell that gives them), else into a message box.
#include "chip_route.h"
#include "emulated_options.h"
#include "failure_display.h"
#include "quarvel_version.h"
#include "register_dump.h"
#include "run_window.h"

#include <exception>
#include <memory>
#include <string>

#include <windows.h>

namespace {

void Say(const std::string& text, bool isError)
{
    const HANDLE handle = GetStdHandle(isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (handle && handle != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
        return;
    }
    MessageBoxA(nullptr, text.c_str(), "i815quarvel-sim", MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
}

// The emulated configuration space into the --save file, once, however the run ends: whole or
// not at all, and onto DUMP itself changing only the host bridge's 256 bytes.
void Save(const EmulatedOptions& options, ChipRoute& route, bool& saved, int& status)
{
    if (!options.save || saved)
        return;
    saved = true;
    try {
        route.SaveEmulated();
    } catch (const std::exception& e) {
        Say(std::string("i815quarvel-sim: ") + e.what() + "\n", true);
        if (status == ExitNormal)
            status = ExitFailure;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const EmulatedCommandLine line = ParseEmulatedCommandLine(argc, argv, QuarvelVersion);
    if (!line.run) {
        Say(line.text, line.isError);
        return line.status;
    }
    const EmulatedOptions& options = line.options;

    std::unique_ptr<ChipRoute> route;
    try {
        route = OpenChipRoute({RouteKind::Emulated, options.dump, options.save}, {true, true}, RouteSystem{});
    } catch (const DumpError& e) {
        Say(std::string("i815quarvel-sim: ") + e.what() + "\n", true);
        return ExitBadInput;
    } catch (const std::exception& e) {  // another program changing the dump
        Say(std::string("i815quarvel-sim: ") + e.what() + "\n", true);
        return ExitFailure;
    }

    bool saved = false;
    int status = ExitNormal;
    status = RunWindow(route->access(), [&] {
        int atEnd = ExitNormal;
        Save(options, *route, saved, atEnd);
    });
    Save(options, *route, saved, status);
    return status;
}
