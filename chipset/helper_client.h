#pragma once
// The window's way to the ports when it is not root: requests over a pipe (a socket pair) to
// the privileged helper, a small program without Qt at a fixed installed path. The helper
// makes the port cycles, under the lock between programs, and restores the address port when
// the pipe closes.

#include "config_access.h"

#include <string>
#include <vector>

#include <sys/types.h>

class HelperConfigAccess : public ConfigAccess {
public:
    struct Paths {
        std::string helper;  // never looked up through PATH
        std::string pkexec;  // empty: do not try pkexec
    };

    // Starts the helper at the first access: first as it is (an administrator may have given
    // it cap_sys_rawio for a group), then through pkexec (the administrator's password).
    // When neither works, the first access throws AccessRefused naming both ways.
    explicit HelperConfigAccess(Paths paths);
    // Talks to a helper that already answers on `socket` (tests); takes the descriptor.
    explicit HelperConfigAccess(int socket);
    // Closes the pipe, so the helper restores the address port and ends, and waits for it.
    ~HelperConfigAccess() override;
    HelperConfigAccess(const HelperConfigAccess&) = delete;
    HelperConfigAccess& operator=(const HelperConfigAccess&) = delete;

    uint32_t Read(uint32_t offset) override;
    // The helper makes no plain writes: every write is a read-modify-write of settings.
    void Write(uint32_t offset, uint32_t value) override;
    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;
    void SavePorts() override;
    void RestorePorts() override;

private:
    void Connect();
    // Spawns `argv` with the socket as its standard input and output; returns the reason it
    // could not be used, or an empty text once the helper greeted.
    std::string TryStart(const std::vector<std::string>& argv);
    // Closes the pipe and waits for the helper; its wait status, or -1 when none was running.
    int Stop();
    std::string Ask(const std::string& request);
    std::string ReadLine();

    Paths paths_;
    int socket_ = -1;
    pid_t child_ = -1;
    std::string received_;
};
