// i815ctl.exe: the settings of the Intel i815 host bridge from a Windows command prompt. Windows
// has no state folder of the system's: the boot guard's marker lies beside the profile. Nor has
// it a service manager to start apply --settle beside the log-on's apply --boot: that waits for
// the guard itself.
#include "ctl_program.h"

int main(int argc, char** argv)
{
    CtlSystem system;
    system.stateDir.clear();
    system.settleInApply = true;
    return CtlMain(argc, argv, system);
}
