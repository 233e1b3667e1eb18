#pragma once
// How a wait for a lock between our programs ended. The POSIX locks are flocks on an open file
// or folder (flock_wait_posix.h); Windows cannot lock a file that another program replaces, nor
// a folder, so there they are named mutexes (named_mutex_win32.h).

enum class LockWait {
    Taken,
    TimedOut,     // another program of ours held it all along
    Interrupted,  // a signal came, and the caller stops on one
    Failed,       // the system refused the lock itself (errno, or GetLastError)
};
