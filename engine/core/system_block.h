// The engine's library and window state: one zero-initialised record for the whole
// process. Each subsystem reads and writes its own fields; the window start-up clears
// it while keeping the settings made before start-up.
#pragma once

#include <cstdint>

struct SystemBlock {
    // Library life cycle.
    std::int32_t initialised;
    std::int32_t initialising;
    std::int32_t ending;
    std::int32_t com_started;
    std::int32_t user_window;  // the game supplied its own window: the log goes to the debugger only

    // System report results.
    char os_text[256];
    char cpu_name[49];
    std::int32_t os_code;
    std::int32_t directx_version;
    std::int32_t cpu_speed_mhz;
    std::int32_t has_time_stamp_counter;
    std::uint64_t cpu_clock;  // time-stamp counts per second, 0 when unknown
    std::int32_t mmx;
    std::int32_t sse;
    std::int32_t sse2;
    std::int32_t timer_period_begun;  // the report began a timer period; shutdown ends it

    // High-resolution counter chosen by the timer test at window start-up.
    std::int32_t use_performance_counter;
    std::int64_t performance_frequency;
};

SystemBlock* GetSystemBlock();
