#pragma once
// The requests to a helper (helper_protocol.h) as a configuration access: each read and each
// read-modify-write is one request line and one reply line over a channel that
// helper_launcher.h opened. The helper reaches the chip through the kernel's file under the
// lock between programs; it has no ports, so the port save and restore ask it for nothing
// that could be kept here.

#include "config_access.h"
#include "helper_launcher.h"

#include <string>

class HelperConfigAccess : public ConfigAccess {
public:
    explicit HelperConfigAccess(HelperChannel channel);
    // Talks to a helper that already greeted on `socket` (tests); takes the descriptor.
    explicit HelperConfigAccess(int socket);
    // Closes the channel, so the helper ends, and waits for it when we started it.
    ~HelperConfigAccess() override = default;

    // One request: the helper makes the read-modify-write under its lock. A helper that waited
    // for the lock in vain says so: ConfigLockBusy, as here.
    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;
    void SavePorts() override;
    void RestorePorts() override;

private:
    uint32_t ReadDword(uint32_t offset) override;
    // The helper makes no plain writes: every write is a read-modify-write of settings.
    void WriteDword(uint32_t offset, uint32_t value) override;

    std::string Ask(const std::string& request);
    std::string ReadLine();

    HelperChannel channel_;
    std::string received_;
};
