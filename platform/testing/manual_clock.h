// Test hook: while a ManualClock lives, timeGetTime, the performance counter, the
// time-stamp counter and Sleep run on one manual nanosecond count. Sleep(n) moves it
// by n milliseconds; tests move it with Advance. SetWallClock pins the date too.
#pragma once

#include <cstdint>

class ManualClock {
public:
    explicit ManualClock(std::uint32_t start_ms = 0);
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    void AdvanceMs(std::uint32_t ms);
    void AdvanceNs(std::uint64_t ns);
    std::uint64_t Nanoseconds() const;
    // Local and system time read this moment (seconds since 1970-01-01 UTC) from now
    // on, moving with the manual clock.
    void SetWallClock(std::int64_t unix_seconds);
};
