// Test hook: the manual clock over the platform's clock seam.
#include "platform/testing/manual_clock.h"

#include "platform/platform_hooks.h"

ManualClock::ManualClock(std::uint32_t start_ms) {
    platform_hooks::SetManualClock(true, static_cast<std::uint64_t>(start_ms) * 1000000ull);
}

ManualClock::~ManualClock() { platform_hooks::SetManualClock(false, 0); }

void ManualClock::AdvanceMs(std::uint32_t ms) { platform_hooks::AdvanceManualClock(ms * 1000000ull); }
void ManualClock::AdvanceNs(std::uint64_t ns) { platform_hooks::AdvanceManualClock(ns); }
std::uint64_t ManualClock::Nanoseconds() const { return platform_hooks::ManualClockNanoseconds(); }
void ManualClock::SetWallClock(std::int64_t unix_seconds) {
    platform_hooks::SetManualWallClock(true, unix_seconds * 1000000000ll);
}
