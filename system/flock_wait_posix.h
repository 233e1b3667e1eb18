#pragma once
// Waiting for an exclusive flock that another program of ours holds.

#include "lock_wait.h"

// Takes the lock on `fd`, waiting up to `milliseconds` (negative: for as long as it takes). A
// signal (one that interruption.h notes, or any that interrupts the wait) ends the wait when
// `stopOnSignal`, else the wait goes on.
LockWait WaitForFlock(int fd, int milliseconds, bool stopOnSignal);
