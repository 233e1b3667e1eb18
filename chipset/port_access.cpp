#include "port_access.h"

#include <stdexcept>

namespace {
PortAccess* selected = nullptr;
}

void SelectPortAccess(PortAccess* backend) { selected = backend; }

PortAccess& CurrentPortAccess()
{
    if (!selected)
        throw std::logic_error("No port back end has been selected");
    return *selected;
}
