#pragma once
// Real port instructions on the PCI configuration ports, Windows on i386. Windows 95, 98 and
// ME let every program use these ports. NT-family Windows lets a program use them only once a
// port-access driver has opened them to its process; otherwise the processor refuses the
// instruction with a privileged-instruction exception (0xC0000096). Each instruction runs in an
// exception frame of its own, which turns that exception into PortInstructionRefused carrying
// the system's text for it, a C++ exception that travels up to the program's failure display.

#include "access_refused.h"
#include "port_access.h"

#include <cstdint>
#include <string>

class PortInstructionRefused : public AccessRefused {
public:
    PortInstructionRefused(uint32_t exceptionCode, const std::string& systemText);
    uint32_t exceptionCode() const { return exceptionCode_; }

private:
    uint32_t exceptionCode_;
};

class Win32PortAccess : public PortAccess {
public:
    // Throws PortInstructionRefused when the system refuses the instruction; the port is
    // neither read nor written then.
    uint32_t In32(uint16_t port) override;
    void Out32(uint16_t port, uint32_t value) override;
};

// The system's text for a processor exception: the message table of ntdll.dll on NT-family
// Windows, without the caption line in braces that some entries begin with and without the
// line break at the end; where the system has none (Windows 95/98/ME, Wine), a fixed text
// for the exceptions that port instructions raise, else the code in hexadecimal.
std::string SystemExceptionText(uint32_t exceptionCode);
