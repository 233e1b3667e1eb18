#pragma once
// The real port back end as a system without CAP_SYS_RAWIO leaves it: every request refused.

#include "ports_linux.h"

#include <cerrno>

inline int RefuseWithEperm(unsigned long, unsigned long, int)
{
    errno = EPERM;
    return -1;
}

class RefusedPorts : public LinuxPortAccess {
public:
    RefusedPorts() : LinuxPortAccess(&RefuseWithEperm) {}
};
