// The Windows back ends under Wine: the port instructions and their exception frames, the way to
// the chip, and the named mutex between programs. Wine set to an NT version refuses the port
// instructions as NT does without a port-access driver; set to Windows 98 it answers reads of an
// absent bridge with all ones, as a PC does.
//   access_test nt | 98        prints one line per check; status 1 when one failed
#include "chip_route.h"
#include "config_lock.h"
#include "hex_text.h"
#include "mechanism1_access.h"
#include "ports_win32.h"

#include <cstdio>
#include <string>

#include <windows.h>

namespace {

int failures = 0;

void Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    failures += !ok;
}

// Runs `step`; the refusal it raised, if any.
template <typename Step>
bool Refused(Step step, uint32_t& code, std::string& text)
{
    try {
        step();
    } catch (const PortInstructionRefused& refused) {
        code = refused.exceptionCode();
        text = refused.what();
        return true;
    }
    return false;
}

void OnNt()
{
    Win32PortAccess ports;
    for (int out = 0; out < 2; ++out) {
        uint32_t code = 0;
        std::string text;
        const bool refused = out ? Refused([&] { ports.Out32(0xCF8, 0x80000000); }, code, text)
                                 : Refused([&] { ports.In32(0xCF8); }, code, text);
        const std::string what = out ? "OUT to 0xCF8" : "IN from 0xCF8";
        Check(refused && code == 0xC0000096,
              what + " raises the privileged-instruction exception (" + HexNumber(code) + ")");
        Check(text == "Privileged instruction", what + ": the system's text, \"" + text + "\"");
    }
    uint32_t code = 0;
    std::string text;
    Check(Refused([&] { ports.In32(0xCFC); }, code, text), "every instruction is guarded, not only the first");

    std::unique_ptr<ChipRoute> route = OpenChipRoute({RouteKind::Ports, {}}, {true, true}, RouteSystem{});
    Check(route->taken() == RouteTaken::Ports, "the default way to the chip is the ports");
    Check(Refused([&] { route->access().SavePorts(); }, code, text), "the port save is refused as its first read");
    bool kernelRefused = false;
    try {
        OpenChipRoute({RouteKind::Kernel, {}}, {false, false}, RouteSystem{});
    } catch (const AccessRefused&) {
        kernelRefused = true;
    }
    Check(kernelRefused, "there is no kernel file to ask for");
}

void OnWindows98()
{
    Win32PortAccess ports;
    Mechanism1Access access(ports);
    uint32_t code = 0;
    std::string text;
    Check(!Refused([&] { access.SavePorts(); }, code, text), "the port save goes through");
    Check(access.Read(0x00) == 0xFFFFFFFF, "an absent host bridge reads as all ones");
    Check(!Refused([&] { access.Write(0x50, 0); }, code, text), "a write goes through");
}

DWORD WINAPI HoldAndEnd(void* name)
{
    ConfigLock lock(static_cast<const char*>(name));
    lock.Acquire();
    return 0;  // ends holding it
}

DWORD WINAPI HoldAWhile(void* name)
{
    ConfigLock lock(static_cast<const char*>(name));
    lock.Acquire();
    Sleep(300);
    lock.Release();
    return 0;
}

// The mutex works between threads as between programs.
void Lock()
{
    const char name[] = "access_test lock";
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, HoldAndEnd, const_cast<char*>(name), 0, &id);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    ConfigLock lock(name);
    DWORD start = GetTickCount();
    lock.Acquire();
    Check(GetTickCount() - start < 1000, "a lock whose holder ended without releasing it passes on at once");
    lock.Release();

    thread = CreateThread(nullptr, 0, HoldAWhile, const_cast<char*>(name), 0, &id);
    Sleep(100);
    start = GetTickCount();
    lock.Acquire();
    const DWORD waited = GetTickCount() - start;
    Check(waited >= 100 && waited < 2000, "a held lock is waited for (" + std::to_string(waited) + " ms)");
    lock.Release();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string version = argc > 1 ? argv[1] : "";
    if (version == "nt")
        OnNt();
    else if (version == "98")
        OnWindows98();
    else
        return std::fprintf(stderr, "usage: access_test nt | 98\n"), 2;
    Lock();
    return failures ? 1 : 0;
}
