// A helper for tests: the real helper's session, on an emulated i815 instead of the ports, for
// a member of the group (no value with a warning).
// When the window has gone, it writes the chip and its address latch to "<argv[0]>.out".
#include "emulated_i815.h"
#include "helper_session.h"
#include "mechanism1_access.h"
#include "register_dump.h"

#include <csignal>
#include <cstdio>
#include <fstream>

#include <unistd.h>

int main(int, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    EmulatedI815 chip;
    chip.SetAddressLatch(0x80000044);
    Mechanism1Access access(chip);
    HelperSession session(access, [](const std::string& line) { std::fprintf(stderr, "helper: %s\n", line.c_str()); });
    const std::string ready = std::string(HelperReady) + "\n";
    if (write(STDOUT_FILENO, ready.data(), ready.size()) != ssize_t(ready.size()))
        return 1;
    const int status = ServeHelper(STDIN_FILENO, STDOUT_FILENO, session);
    std::ofstream(std::string(argv[0]) + ".out") << FormatRegisterDump(chip.Space()) << "latch " << HexWord(chip.AddressLatch())
                                                  << "\n";
    return status;
}
