// i815ctl: the settings of the Intel i815 host bridge from the command line.
#include "ctl_program.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunCtl(args, CtlSystem{}, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout)
        return status == 0 ? 1 : status;  // output lost (a full disk, a closed pipe)
    return status;
}
