#pragma once
// Real port instructions on the PCI configuration ports 0xCF8-0xCFF, Linux on i386 and x86-64.
// The right to use them is asked for (ioperm, never iopl) at the first port instruction, in
// the calling thread, because the kernel grants it per thread. Without that right a port
// instruction would fault (SIGSEGV), so none is ever executed before the grant.

#include "access_refused.h"
#include "port_access.h"

#include <string>
#include <thread>

class PortAccessRefused : public AccessRefused {
public:
    using AccessRefused::AccessRefused;
};

class LinuxPortAccess : public PortAccess {
public:
    // Same contract as ioperm(2): 0 on success, -1 with errno set on refusal.
    using PermissionFn = int (*)(unsigned long from, unsigned long count, int turnOn);

    LinuxPortAccess();  // asks the kernel with ioperm
    explicit LinuxPortAccess(PermissionFn askPermission);

    uint32_t In32(uint16_t port) override;
    void Out32(uint16_t port, uint32_t value) override;

    // Asks for the ports now, in the calling thread; throws PortAccessRefused.
    void RequestPermission();

private:
    void EnsurePermission(uint16_t port);

    PermissionFn askPermission_;
    std::thread::id grantedThread_;
    bool granted_ = false;
};
