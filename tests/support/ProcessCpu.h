#pragma once
// CPU time (user + system, every thread, those that ended too) of a running
// process, to the nanosecond. The kernel's tick counts in /proc step by 10 ms,
// too coarse for a process that spends a fraction of a percent.

#include <sys/types.h>

#include <ctime>

// Seconds, or -1 when the process cannot be looked at.
inline double processCpuSeconds(pid_t pid) {
    clockid_t clock;
    timespec now{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &now) != 0) return -1;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
