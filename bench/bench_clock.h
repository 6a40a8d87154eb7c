// The clocks the benchmarks read, in milliseconds: the wall clock (monotonic), and the
// processor time of the whole process or of the calling thread.
#pragma once

#include <ctime>

inline double ClockMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

inline double WallMs() { return ClockMs(CLOCK_MONOTONIC); }
// Decode threads and GL's threads included: less moved by other load on the machine than
// the wall clock.
inline double ProcessCpuMs() { return ClockMs(CLOCK_PROCESS_CPUTIME_ID); }
inline double ThreadCpuMs() { return ClockMs(CLOCK_THREAD_CPUTIME_ID); }
