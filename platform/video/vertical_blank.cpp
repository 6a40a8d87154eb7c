// The virtual 60 Hz raster of the display stand-in: frames start at multiples of
// 16.667 ms on the platform clock (manual in tests), each opening with a 1.4 ms blank
// followed by the visible lines. Relies on the performance counter (nanoseconds) and on
// the manual-clock seam, where a wait advances the clock instead of sleeping.
#include <ctime>

#include "platform/kernel.h"
#include "platform/platform_hooks.h"
#include "platform/video/display_internal.h"

namespace display {

namespace {
constexpr std::uint64_t kPollCostNanoseconds = 100000;  // what one raster poll costs on the manual clock
}

std::uint64_t NowNanoseconds() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
}

namespace {

std::uint64_t Phase() { return NowNanoseconds() % kFrameNanoseconds; }

void PollCost(bool poll) {
    if (poll && platform_hooks::IsManualClock()) platform_hooks::AdvanceManualClock(kPollCostNanoseconds);
}

}  // namespace

bool InVerticalBlank(bool poll) {
    PollCost(poll);
    return Phase() < kBlankNanoseconds;
}

int ScanLine(bool poll) {
    PollCost(poll);
    const std::uint64_t phase = Phase();
    if (phase < kBlankNanoseconds) return -1;
    const std::uint64_t visible = static_cast<std::uint64_t>(CurrentMode().height);
    return static_cast<int>((phase - kBlankNanoseconds) * visible / (kFrameNanoseconds - kBlankNanoseconds));
}

void WaitUntil(std::uint64_t nanoseconds) {
    const std::uint64_t now = NowNanoseconds();
    if (nanoseconds <= now) return;
    if (platform_hooks::IsManualClock()) {
        platform_hooks::AdvanceManualClock(nanoseconds - now);
        return;
    }
    const std::uint64_t wait = nanoseconds - now;
    timespec delay{static_cast<time_t>(wait / 1000000000ull), static_cast<long>(wait % 1000000000ull)};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

void WaitForBlankBegin() {
    const std::uint64_t now = NowNanoseconds();
    WaitUntil(now - now % kFrameNanoseconds + kFrameNanoseconds);
}

void WaitForBlankEnd() {
    const std::uint64_t now = NowNanoseconds();
    const std::uint64_t frame_start = now - now % kFrameNanoseconds;
    const std::uint64_t end = frame_start + kBlankNanoseconds;
    WaitUntil(end > now ? end : end + kFrameNanoseconds);
}

}  // namespace display
