// i815ctl: the settings of the Intel i815 host bridge from the command line.
#include "ctl_program.h"

int main(int argc, char** argv)
{
    const CtlSystem system;
    return CtlMain(argc, argv, system);
}
