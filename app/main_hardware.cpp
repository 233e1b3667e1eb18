// i815quarvel: the tool on the real configuration ports.
#include "config_access.h"
#include "run_quarvel.h"
#include "x86_port_access.h"

int main(int argc, char** argv)
{
    X86PortAccess ports;
    SelectPortAccess(&ports);
    return RunQuarvel(argc, argv);
}
