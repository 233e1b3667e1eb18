// i815quarvel-sim: the same window on the emulated i815.
#include "emulated_program.h"

int main(int argc, char** argv)
{
    return RunEmulatedQuarvel(argc, argv);
}
