#pragma once
// The one place where every program's way to the chip is chosen: the window, the emulated
// window, i815ctl and the boot-time apply all open their route here.
//
// On Linux every configuration cycle goes through the kernel's file of 0000:00:00.0, which
// the kernel orders with its own cycles on the same two ports (mechanism #1 is two port
// instructions; the kernel may move the address between ours):
//   root             the kernel's file, under the lock between programs
//   any other user   a helper, which opens that file as root and then becomes its own user:
//                    first the socket of its service, then (the window only) through pkexec
// The ports in this process only when asked for (--ports): where the kernel has no such file,
// the route is refused, not taken past it. On another host bridge, known from the IDs that
// the kernel shows everyone, a user without the helper gets that bridge's identity alone. The
// emulated i815 when asked for: the built-in one, or one started from a dump file, which stays
// locked for as long as the route lives when the chip is to be saved onto it (dump_file.h).
//
// On Windows (chip_route_win32.cpp) there is no such file: on Windows 2000 and XP our driver,
// i815quarvel.sys, which makes the cycles through the HAL; on Windows 95, 98 and ME (or when
// asked for, --ports) the ports in this process, under a named mutex between programs; or the
// emulated i815 when asked for. RouteNeeds and the Linux paths of RouteSystem do not matter
// there.

#include "config_access.h"
#include "emulated_i815.h"
#include "kernel_config_access.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class ConfigLock;
class DumpFile;
class PortAccess;
class LinuxPortAccess;

enum class RouteKind { Automatic, Kernel, Ports, Emulated };

struct RouteChoice {
    RouteKind kind = RouteKind::Automatic;
    std::optional<std::string> dump;  // the emulated chip's starting image; else the built-in one
    std::optional<std::string> save;  // where SaveEmulated writes the emulated chip
    // The dump's text when the program has read it already (standard input, for a DUMP "-").
    std::optional<std::string> dumpText = std::nullopt;
};

// What the program will do on the route.
struct RouteNeeds {
    bool change = false;  // read-modify-writes, not only reads
    bool window = false;  // a window: it may ask for the administrator's password (pkexec),
                          // but not before the host bridge is known to be an i815
};

// Where the program finds the system; tests put temporary files in its place.
struct RouteSystem {
    std::string kernelConfigPath = KernelConfigAccess::DefaultPath;
    std::string lockPath = "/run/i815quarvel/lock";
    std::string helperSocket = "/run/i815quarvel/helper.socket";
    std::string helperPath;  // empty: the installed helper
    std::string pkexecPath;  // empty: /usr/bin/pkexec
    std::function<std::unique_ptr<LinuxPortAccess>()> makePorts;  // empty: the real ports
    std::optional<bool> root;                                    // empty: whether this process is
};

// How the chip is reached in the end.
enum class RouteTaken { Kernel, Ports, Helper, Emulated, ForeignBridge, Driver };

class ChipRoute {
public:
    ~ChipRoute();
    ConfigAccess& access() { return *access_; }
    RouteTaken taken() const { return taken_; }
    // The emulated chip, on the emulated route; nullptr on the others.
    EmulatedI815* emulated() { return chip_.get(); }
    // Writes the emulated chip to the choice's `save` file, whole or not at all; onto the dump
    // that it started from, only 00:00.0's 256 bytes change and everything else in the file
    // stays (SpliceRegisterDump). Nothing to do on other routes or without a file. Throws
    // FileWriteError.
    void SaveEmulated();

private:
    friend std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice&, const RouteNeeds&, const RouteSystem&);
    // The emulated route, the same on every system (chip_route_emulated.cpp).
    static std::unique_ptr<ChipRoute> OpenEmulated(const RouteChoice& choice);
    RouteTaken taken_ = RouteTaken::Kernel;
    std::unique_ptr<PortAccess> ports_;
    std::unique_ptr<DumpFile> dump_;
    std::optional<std::string> save_;
    std::unique_ptr<EmulatedI815> chip_;
    std::unique_ptr<ConfigLock> lock_;
    std::unique_ptr<ConfigAccess> access_;
};

// Opens the route; throws AccessRefused saying what is missing on every way that was tried
// (its reason the errno behind the last); for an emulated chip's dump, DumpError (a bad one),
// DumpBusy or DumpInterrupted (dump_file.h).
std::unique_ptr<ChipRoute> OpenChipRoute(const RouteChoice& choice, const RouteNeeds& needs, const RouteSystem& system);
