#pragma once
// The processor time that this process has had, to tell a round that shared the processor with
// other programs from one that had it to itself. cpu_time_posix.cpp, cpu_time_win32.cpp.

// Seconds of processor time, user and system, of the whole process since it began.
double ProcessCpuSeconds();
