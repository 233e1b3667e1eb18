// The Windows back ends under Wine: the port instructions and their exception frames, the way to
// the chip, and the named mutex between programs. Wine set to an NT version refuses the port
// instructions as NT does without a port-access driver; set to Windows 98 it answers reads of an
// absent bridge with all ones, as a PC does. With the driver installed: its answers to every
// kind of request, through its device as any program could send them.
//   access_test nt | 98        prints one line per check; status 1 when one failed
//   access_test driver         the driver's test build, whose chip is the emulated i815's image
#include "chip_route.h"
#include "config_lock.h"
#include "driver_access_win32.h"
#include "driver_request.h"
#include "driver_service_win32.h"
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

    std::unique_ptr<ChipRoute> route = OpenChipRoute({RouteKind::Ports, {}, {}}, {true, true}, RouteSystem{});
    Check(route->taken() == RouteTaken::Ports, "--ports takes the ports");
    Check(Refused([&] { route->access().SavePorts(); }, code, text), "the port save is refused as its first read");
    bool kernelRefused = false;
    try {
        OpenChipRoute({RouteKind::Kernel, {}, {}}, {false, false}, RouteSystem{});
    } catch (const AccessRefused&) {
        kernelRefused = true;
    }
    Check(kernelRefused, "there is no kernel file to ask for");
}

// One request to the driver's device as any program may send it: the Win32 error, 0 when
// answered with 4 bytes.
DWORD Ask(uint32_t code, const uint32_t* in, DWORD inSize, DWORD outSize, uint32_t& answer)
{
    const HANDLE device =
        CreateFileA(DriverDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    uint32_t out[4] = {};
    DWORD got = 0;
    const BOOL done = DeviceIoControl(device, code, const_cast<uint32_t*>(in), inSize, out, outSize, &got, nullptr);
    const DWORD error = done ? (got == 4 ? 0 : ERROR_BAD_LENGTH) : GetLastError();
    CloseHandle(device);
    answer = out[0];
    return error;
}

// The driver's test build on the emulated i815's image: each kind of refusal as the programs
// see it, and a read-modify-write.
void OnDriver()
{
    Check(EnableLoadDriverPrivilege(), "SeLoadDriverPrivilege enabled, which the driver asks of its openers");
    uint32_t answer = 0, before = 0, after = 0;
    const uint32_t read51[] = {0x51}, readA8[] = {0xA8}, cut[] = {0xA8, 0x3, 0x1}, clear[] = {0x70, 0x1, 0x1},
                   agp3[] = {0xA8, 0x7, 0x3};
    Check(Ask(ReadRequestCode, readA8, 4, 4, before) == 0, "a read of dword 0xA8: " + HexNumber(before));
    Check(Ask(ReadRequestCode, read51, 4, 4, answer) == ERROR_INVALID_PARAMETER, "an unaligned read refused");
    Check(Ask(ReadRequestCode, readA8, 3, 4, answer) == ERROR_BAD_LENGTH, "a read of 3 bytes refused");
    Check(Ask(ReadRequestCode | 3, readA8, 4, 4, answer) == ERROR_INVALID_FUNCTION, "another method refused");
    for (const uint32_t* modify : {cut, clear, agp3})
        Check(Ask(ModifyRequestCode, modify, 12, 4, answer) == ERROR_INVALID_PARAMETER,
              "modify " + HexNumber(modify[0]) + " " + HexNumber(modify[1]) + " " + HexNumber(modify[2]) + " refused");
    const uint32_t toggle[] = {0xA8, 0x200, before ^ 0x200};
    Check(Ask(ModifyRequestCode, toggle, 12, 4, answer) == 0 && answer == (before ^ 0x200) &&
              Ask(ReadRequestCode, readA8, 4, 4, after) == 0 && after == answer,
          "only AGP sideband addressing toggled: " + HexNumber(after));

    auto access = DriverConfigAccess::Open();
    access->Modify(0xA8, 0x200, before);
    std::string said;
    try {
        access->Modify(0x70, 0x1, 0x1);
    } catch (const std::logic_error& refusal) {
        said = refusal.what();
    }
    Check(access->Read(0xA8) == before && said.rfind("The driver i815quarvel refused the request", 0) == 0,
          "the programs' back end: " + said);
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
    else if (version == "driver")
        OnDriver();
    else
        return std::fprintf(stderr, "usage: access_test nt | 98 | driver\n"), 2;
    if (version == "nt" || version == "98")
        Lock();
    return failures ? 1 : 0;
}
