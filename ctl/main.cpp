// i815ctl: the settings of the Intel i815 host bridge from the command line, on Linux or at a
// Windows command prompt.
#include "ctl_program.h"

int main(int argc, char** argv)
{
    return CtlMain(argc, argv, ThisSystem());
}
