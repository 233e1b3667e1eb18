// i815ctl.exe: the settings of the Intel i815 host bridge from a Windows command prompt. Windows
// has no state folder of the system's: the boot guard's marker lies beside the profile.
#include "ctl_program.h"

int main(int argc, char** argv)
{
    CtlSystem system;
    system.stateDir.clear();
    return CtlMain(argc, argv, system);
}
