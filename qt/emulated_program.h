#pragma once
// i815quarvel-sim [--save FILE] [DUMP]: the window on an emulated i815.
// DUMP is an `lspci -xxx` dump to start from (default: the built-in image); --save FILE writes
// the emulated configuration space to FILE, in the same format, when the program ends, however
// it ends once the emulated chip exists: whole or not at all, and onto DUMP itself changing
// only the host bridge's 256 bytes (ChipRoute::SaveEmulated), DUMP locked meanwhile. Bad arguments or a bad DUMP: a message on stderr and
// ExitBadInput, before any window opens.

#include "exit_status.h"

int RunEmulatedQuarvel(int argc, char** argv);
