// Time services over the monotonic and real-time clocks: the millisecond timer, the
// high-resolution counter, Sleep, local and file times; plus the manual clock that
// tests switch on so nothing timed depends on the wall clock.
#include <sched.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/kernel.h"
#include "platform/platform_hooks.h"

namespace {

std::atomic<bool> g_manual{false};
std::atomic<std::uint64_t> g_manual_ns{0};

std::uint64_t MonotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(ts.tv_nsec);
}

std::uint64_t NowNanoseconds() { return g_manual.load() ? g_manual_ns.load() : MonotonicNanoseconds(); }

// The manual wall clock: real time = manual nanoseconds + this offset.
std::atomic<bool> g_manual_wall{false};
std::atomic<std::int64_t> g_manual_wall_offset_ns{0};

timespec RealTimeNow() {
    timespec ts{};
    if (g_manual.load() && g_manual_wall.load()) {
        const std::int64_t ns = static_cast<std::int64_t>(g_manual_ns.load()) + g_manual_wall_offset_ns.load();
        std::int64_t seconds = ns / 1000000000;
        std::int64_t rest = ns % 1000000000;
        if (rest < 0) {
            rest += 1000000000;
            seconds -= 1;
        }
        ts.tv_sec = static_cast<time_t>(seconds);
        ts.tv_nsec = static_cast<long>(rest);
        return ts;
    }
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts;
}

// FILETIME counts 100 ns ticks from 1601-01-01; Unix time counts seconds from 1970-01-01.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kEpochDifferenceSeconds = 11644473600;

std::int64_t FileTimeTicks(const FILETIME* t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t->dwHighDateTime) << 32) | t->dwLowDateTime);
}

void SetFileTimeTicks(FILETIME* t, std::int64_t ticks) {
    const auto u = static_cast<std::uint64_t>(ticks);
    t->dwLowDateTime = static_cast<DWORD>(u & 0xFFFFFFFFu);
    t->dwHighDateTime = static_cast<DWORD>(u >> 32);
}

void FillSystemTime(const tm& fields, int milliseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(fields.tm_year + 1900);
    out->wMonth = static_cast<WORD>(fields.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(fields.tm_wday);
    out->wDay = static_cast<WORD>(fields.tm_mday);
    out->wHour = static_cast<WORD>(fields.tm_hour);
    out->wMinute = static_cast<WORD>(fields.tm_min);
    out->wSecond = static_cast<WORD>(fields.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

}  // namespace

namespace platform_hooks {
void SetManualClock(bool on, std::uint64_t start_ns) {
    g_manual_ns.store(start_ns);
    if (!on) g_manual_wall.store(false);
    g_manual.store(on);
}
void SetManualWallClock(bool on, std::int64_t unix_ns) {
    g_manual_wall_offset_ns.store(unix_ns - static_cast<std::int64_t>(g_manual_ns.load()));
    g_manual_wall.store(on);
}
bool IsManualClock() { return g_manual.load(); }
void AdvanceManualClock(std::uint64_t ns) { g_manual_ns.fetch_add(ns); }
std::uint64_t ManualClockNanoseconds() { return g_manual_ns.load(); }
}  // namespace platform_hooks

DWORD timeGetTime() { return static_cast<DWORD>(NowNanoseconds() / 1000000ull); }

UINT timeGetDevCaps(TIMECAPS* caps, UINT size) {
    if (caps == nullptr || size < sizeof(TIMECAPS)) return 1;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return TIMERR_NOERROR;
}

// The millisecond timer here is always fine-grained; periods need no bookkeeping.
UINT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
UINT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = static_cast<LONGLONG>(NowNanoseconds());
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    if (g_manual.load()) {
        g_manual_ns.fetch_add(static_cast<std::uint64_t>(milliseconds) * 1000000ull);
        sched_yield();
        return;
    }
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void GetSystemTimeAsFileTime(FILETIME* out) {
    const timespec ts = RealTimeNow();
    SetFileTimeTicks(out, (static_cast<std::int64_t>(ts.tv_sec) + kEpochDifferenceSeconds) * kTicksPerSecond +
                              ts.tv_nsec / 100);
}

void GetSystemTime(SYSTEMTIME* out) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    FileTimeToSystemTime(&now, out);
}

void GetLocalTime(SYSTEMTIME* out) {
    const timespec ts = RealTimeNow();
    tm fields{};
    localtime_r(&ts.tv_sec, &fields);
    FillSystemTime(fields, static_cast<int>(ts.tv_nsec / 1000000), out);
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    const std::int64_t ticks = FileTimeTicks(utc);
    if (ticks < 0) return FALSE;
    const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifferenceSeconds);
    tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr) return FALSE;
    // A time within the zone offset of either end of the signed range would step out of
    // it; such times stop at the end instead.
    const std::int64_t offset = static_cast<std::int64_t>(fields.tm_gmtoff) * kTicksPerSecond;
    std::int64_t shifted = 0;
    if (__builtin_add_overflow(ticks, offset, &shifted)) {
        shifted = INT64_MAX;
    } else if (shifted < 0) {
        shifted = 0;
    }
    SetFileTimeTicks(local, shifted);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) {
    const std::int64_t ticks = FileTimeTicks(time);
    if (ticks < 0) return FALSE;
    const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifferenceSeconds);
    tm fields{};
    if (gmtime_r(&seconds, &fields) == nullptr) return FALSE;
    FillSystemTime(fields, static_cast<int>((ticks % kTicksPerSecond) / 10000), out);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) {
    if (time->wMonth < 1 || time->wMonth > 12 || time->wDay < 1 || time->wDay > 31 || time->wHour > 23 ||
        time->wMinute > 59 || time->wSecond > 59 || time->wMilliseconds > 999 || time->wYear < 1601) {
        return FALSE;
    }
    tm fields{};
    fields.tm_year = time->wYear - 1900;
    fields.tm_mon = time->wMonth - 1;
    fields.tm_mday = time->wDay;
    fields.tm_hour = time->wHour;
    fields.tm_min = time->wMinute;
    fields.tm_sec = time->wSecond;
    const time_t seconds = timegm(&fields);
    SetFileTimeTicks(out, (static_cast<std::int64_t>(seconds) + kEpochDifferenceSeconds) * kTicksPerSecond +
                              static_cast<std::int64_t>(time->wMilliseconds) * 10000);
    return TRUE;
}
