// Seams inside the platform layer that the test hooks in platform/testing/ drive:
// the manual clock, capture of the debugger output, and stand-in answers for the
// version record and the processor. The engine never includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/kernel_types.h"

namespace platform_hooks {

// Manual clock: while on, timeGetTime, the performance counter, the time-stamp counter
// and Sleep read and advance one nanosecond count instead of the monotonic clock.
void SetManualClock(bool on, std::uint64_t start_ns);
bool IsManualClock();
void AdvanceManualClock(std::uint64_t ns);
std::uint64_t ManualClockNanoseconds();
// Wall clock under the manual clock: while on, local and system time read `unix_ns`
// (nanoseconds since 1970-01-01 UTC) plus what the manual clock has advanced since.
// Switching the manual clock off switches this off too.
void SetManualWallClock(bool on, std::int64_t unix_ns);

// Debug output capture: while on, OutputDebugStringA appends its bytes (CP932, as
// given) to the capture instead of writing to standard error.
void SetDebugCapture(bool on);
std::string TakeDebugCapture();

// Heap failure: from now on HeapAlloc and HeapReAlloc refuse blocks of `bytes` or more
// (SIZE_MAX: none refused, the default).
void SetHeapRefusalSize(std::size_t bytes);

// Stand-in answers; null restores the machine's own.
void SetVersionOverride(const OSVERSIONINFOA* info);
struct CpuIdLeaf {
    DWORD leaf;
    DWORD registers[4];
};
// A table of leaves (unknown leaves answer zeros) and whether the instruction exists.
void SetCpuIdOverride(const CpuIdLeaf* leaves, int count, bool available);
// Time-stamp counts per manual-clock nanosecond (default 3, a 3 GHz processor).
void SetManualTimeStampRate(std::uint64_t counts_per_ns);

}  // namespace platform_hooks
