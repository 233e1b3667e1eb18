#include "ports_linux.h"

#include "config_access.h"

#include <cerrno>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#define QUARVEL_HAVE_PORT_IO 1
#include <sys/io.h>
#else
#define QUARVEL_HAVE_PORT_IO 0
#endif

namespace {

constexpr unsigned long FirstPort = ConfigAddressPort;  // 0xCF8
constexpr unsigned long PortCount = 8;                   // 0xCF8-0xCFF, nothing more

int RefuseEverywhere(unsigned long, unsigned long, int)
{
    errno = ENOSYS;
    return -1;
}

#if QUARVEL_HAVE_PORT_IO
inline uint32_t InLong(uint16_t port)
{
    uint32_t value;
    __asm__ __volatile__("inl %w1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

inline void OutLong(uint16_t port, uint32_t value)
{
    __asm__ __volatile__("outl %0, %w1" : : "a"(value), "Nd"(port));
}
#endif

}  // namespace

#if QUARVEL_HAVE_PORT_IO
LinuxPortAccess::LinuxPortAccess() : askPermission_(&ioperm) {}
#else
LinuxPortAccess::LinuxPortAccess() : askPermission_(&RefuseEverywhere) {}
#endif

LinuxPortAccess::LinuxPortAccess(PermissionFn askPermission)
    : askPermission_(askPermission ? askPermission : &RefuseEverywhere)
{
}

void LinuxPortAccess::EnsurePermission(uint16_t port)
{
#if !QUARVEL_HAVE_PORT_IO
    (void)port;
    throw PortAccessRefused(
        "Access to the PCI configuration ports is not available on this processor: "
        "it needs an x86 PC running Linux",
        ENOSYS);
#else
    if (port < FirstPort || port >= FirstPort + PortCount)
        throw PortAccessRefused("Port " + std::to_string(port) +
                                    " is outside the PCI configuration ports 0xCF8-0xCFF",
                                EINVAL);
    if (granted_ && grantedThread_ == std::this_thread::get_id())
        return;
    errno = 0;
    if (askPermission_(FirstPort, PortCount, 1) != 0) {
        const int reason = errno;
        throw PortAccessRefused(
            "Access to the PCI configuration ports 0xCF8-0xCFF was refused by the system: " +
                std::string(std::strerror(reason)),
            reason);
    }
    granted_ = true;
    grantedThread_ = std::this_thread::get_id();
#endif
}

void LinuxPortAccess::RequestPermission() { EnsurePermission(ConfigAddressPort); }

uint32_t LinuxPortAccess::In32(uint16_t port)
{
    EnsurePermission(port);
#if QUARVEL_HAVE_PORT_IO
    return InLong(port);
#else
    return 0xFFFFFFFF;
#endif
}

void LinuxPortAccess::Out32(uint16_t port, uint32_t value)
{
    EnsurePermission(port);
#if QUARVEL_HAVE_PORT_IO
    OutLong(port, value);
#else
    (void)value;
#endif
}
