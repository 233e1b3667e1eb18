#pragma once
// The system refused access to the chip: no privilege, a locked-down kernel, no I/O-port
// support, no configuration file. `reason` is the errno value behind it, for advice.

#include <stdexcept>
#include <string>

class AccessRefused : public std::runtime_error {
public:
    AccessRefused(const std::string& message, int reason) : std::runtime_error(message), reason_(reason) {}
    int reason() const { return reason_; }

private:
    int reason_;
};
