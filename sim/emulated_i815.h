#pragma once
// An emulated i815 host bridge behind PCI configuration mechanism #1, as a port back end.
// For tests, for the demo program and for trying the tool without the hardware.

#include "config_space.h"
#include "port_access.h"

#include <cstdint>
#include <vector>

struct PortOperation {
    enum Direction { In, Out };
    Direction direction;
    uint16_t port;
    uint32_t value;
    bool operator==(const PortOperation& other) const
    {
        return direction == other.direction && port == other.port && value == other.value;
    }
};

class EmulatedI815 : public PortAccess {
public:
    EmulatedI815();  // the built-in register image
    explicit EmulatedI815(const ConfigSpace& image);

    static ConfigSpace DefaultImage();

    uint32_t In32(uint16_t port) override;
    void Out32(uint16_t port, uint32_t value) override;

    // Direct look at the configuration space, bypassing the ports and the write masks.
    uint32_t Dword(uint32_t offset) const;
    void SetDword(uint32_t offset, uint32_t value);
    const ConfigSpace& Space() const { return space_; }

    uint32_t AddressLatch() const { return address_; }
    void SetAddressLatch(uint32_t value) { address_ = value; }

    // Every port operation in order, for tests; kept only once a test asks for it, so that a
    // window left open for days does not grow.
    void KeepTrace(bool keep = true) { keepTrace_ = keep; }
    const std::vector<PortOperation>& Trace() const { return trace_; }
    void ClearTrace() { trace_.clear(); }

    // The bits of a dword that a configuration write can change as plain read/write bits, as the
    // chip has them now (the write-1-to-clear and set-once flags of SMRAM are not among them).
    static uint32_t WritableMask(uint32_t offset, uint32_t currentValue);

private:
    bool AddressSelectsHostBridge() const;
    uint32_t ReadConfigDword(uint32_t offset) const;
    void WriteConfigDword(uint32_t offset, uint32_t value);

    ConfigSpace space_{};
    uint32_t address_ = 0;
    bool keepTrace_ = false;
    std::vector<PortOperation> trace_;
};
