// The millisecond timer, the high-resolution counter and Sleep on the manual clock, and
// the FILETIME and SYSTEMTIME conversions.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/kernel.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/scoped_time_zone.h"

namespace {

constexpr unsigned long long kY2000 = 125911584000000000ull;  // 2000-01-01 00:00:00 UTC

FILETIME MakeFileTime(unsigned long long ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

unsigned long long Ticks(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

TEST(KernelTime, ManualClockMovesTimerCounterAndSleepTogether) {
    ManualClock clock(1000);
    LARGE_INTEGER frequency{}, count{};
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    EXPECT_EQ(timeGetTime(), 1000u);
    QueryPerformanceCounter(&count);
    EXPECT_EQ(count.QuadPart, 1000000000);
    Sleep(25);
    EXPECT_EQ(timeGetTime(), 1025u);
    QueryPerformanceCounter(&count);
    EXPECT_EQ(count.QuadPart, 1025000000);
    Sleep(0);
    EXPECT_EQ(timeGetTime(), 1025u);
    clock.AdvanceNs(999999);
    EXPECT_EQ(timeGetTime(), 1025u);
    clock.AdvanceNs(1);
    EXPECT_EQ(timeGetTime(), 1026u);
    clock.AdvanceMs(4);
    EXPECT_EQ(clock.Nanoseconds(), 1030000000u);
}

TEST(KernelTime, MillisecondTimerWrapsAt32Bits) {
    ManualClock clock(0xFFFFFFFFu);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFFFu);
    Sleep(3);
    EXPECT_EQ(timeGetTime(), 2u);
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);  // the counter does not wrap
    EXPECT_EQ(count.QuadPart, 0x100000002ll * 1000000);
}

TEST(KernelTime, RealClocksMoveForward) {
    LARGE_INTEGER a{}, b{};
    QueryPerformanceCounter(&a);
    QueryPerformanceCounter(&b);
    EXPECT_GE(b.QuadPart, a.QuadPart);
    TIMECAPS caps{};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_GE(caps.wPeriodMin, 1u);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
}

TEST(KernelTime, FileTimeToSystemTime) {
    struct Case {
        unsigned long long ticks;
        SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, ms
    };
    const Case cases[] = {
        {kY2000, {2000, 1, 6, 1, 0, 0, 0, 0}},
        {kY2000 + 1234567, {2000, 1, 6, 1, 0, 0, 0, 123}},
        {kY2000 - 1, {1999, 12, 5, 31, 23, 59, 59, 999}},
        {kY2000 + 59ull * 86400 * 10000000, {2000, 2, 2, 29, 0, 0, 0, 0}},
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const FILETIME time = MakeFileTime(c.ticks);
        SYSTEMTIME out{};
        ASSERT_TRUE(FileTimeToSystemTime(&time, &out)) << c.ticks;
        EXPECT_EQ(out.wYear, c.time.wYear) << c.ticks;
        EXPECT_EQ(out.wMonth, c.time.wMonth) << c.ticks;
        EXPECT_EQ(out.wDayOfWeek, c.time.wDayOfWeek) << c.ticks;
        EXPECT_EQ(out.wDay, c.time.wDay) << c.ticks;
        EXPECT_EQ(out.wHour, c.time.wHour) << c.ticks;
        EXPECT_EQ(out.wMinute, c.time.wMinute) << c.ticks;
        EXPECT_EQ(out.wSecond, c.time.wSecond) << c.ticks;
        EXPECT_EQ(out.wMilliseconds, c.time.wMilliseconds) << c.ticks;

        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&out, &back));
        EXPECT_EQ(Ticks(back), c.ticks - c.ticks % 10000) << c.ticks;  // milliseconds survive
    }
    // Beyond the signed range: refused.
    const FILETIME huge = MakeFileTime(0x8000000000000000ull);
    SYSTEMTIME out{};
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &out));
}

TEST(KernelTime, SystemTimeOutOfRangeIsRefused) {
    const SYSTEMTIME bad[] = {
        {2000, 0, 0, 1, 0, 0, 0, 0},  {2000, 13, 0, 1, 0, 0, 0, 0}, {2000, 1, 0, 0, 0, 0, 0, 0},
        {2000, 1, 0, 32, 0, 0, 0, 0}, {2000, 1, 0, 1, 24, 0, 0, 0}, {2000, 1, 0, 1, 0, 60, 0, 0},
        {2000, 1, 0, 1, 0, 0, 60, 0}, {2000, 1, 0, 1, 0, 0, 0, 1000}, {1600, 1, 0, 1, 0, 0, 0, 0},
    };
    for (const SYSTEMTIME& time : bad) {
        FILETIME out{};
        EXPECT_FALSE(SystemTimeToFileTime(&time, &out)) << time.wYear << "-" << time.wMonth << "-" << time.wDay;
    }
}

TEST(KernelTime, LocalFileTimeFollowsTheTimeZone) {
    const FILETIME utc = MakeFileTime(kY2000);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));  // the tests run with TZ=UTC
    EXPECT_EQ(Ticks(local), kY2000);

    ScopedTimeZone zone("JST-9");
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Ticks(local), kY2000 + 9ull * 3600 * 10000000);
}

// Times within a zone offset of the ends of the signed range stop at the end; archive
// members can carry any stored time, up to the largest one.
TEST(KernelTime, LocalFileTimeStopsAtTheEndsOfTheRange) {
    constexpr unsigned long long kMax = INT64_MAX;
    constexpr unsigned long long kHour = 3600ull * 10000000;
    struct Case {
        const char* zone;
        unsigned long long utc;
        unsigned long long local;
    };
    const Case cases[] = {
        {"JST-9", kMax, kMax},
        {"JST-9", kMax - 1, kMax},
        {"JST-9", kMax - 9 * kHour + 1, kMax},
        {"JST-9", kMax - 9 * kHour, kMax},
        {"JST-9", kMax - 9 * kHour - 1, kMax - 1},
        {"JST-9", 0, 9 * kHour},
        {"UTC", kMax, kMax},
        {"EST5", kMax, kMax - 5 * kHour},
        {"EST5", 5 * kHour + 1, 1},
        {"EST5", 5 * kHour, 0},
        {"EST5", 5 * kHour - 1, 0},
        {"EST5", 0, 0},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        const FILETIME utc = MakeFileTime(c.utc);
        FILETIME local{};
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local)) << c.zone << " " << c.utc;
        EXPECT_EQ(Ticks(local), c.local) << c.zone << " " << c.utc;
    }

    // The held time still reads as a date: the last representable moment.
    ScopedTimeZone zone("JST-9");
    const FILETIME last = MakeFileTime(kMax);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&last, &local));
    SYSTEMTIME out{};
    ASSERT_TRUE(FileTimeToSystemTime(&local, &out));
    EXPECT_EQ(out.wYear, 30828);
    EXPECT_EQ(out.wMonth, 9);
    EXPECT_EQ(out.wDayOfWeek, 4);
    EXPECT_EQ(out.wDay, 14);
    EXPECT_EQ(out.wHour, 2);
    EXPECT_EQ(out.wMinute, 48);
    EXPECT_EQ(out.wSecond, 5);
    EXPECT_EQ(out.wMilliseconds, 477);
}

TEST(KernelTime, WallClockUnderTheManualClock) {
    ManualClock clock;
    clock.SetWallClock(946684800);  // 2000-01-01 00:00:00 UTC
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    EXPECT_EQ(Ticks(now), kY2000);
    clock.AdvanceMs(1500);
    GetSystemTimeAsFileTime(&now);
    EXPECT_EQ(Ticks(now), kY2000 + 15000000);
    SYSTEMTIME system{}, local{};
    GetSystemTime(&system);
    GetLocalTime(&local);
    EXPECT_EQ(system.wSecond, 1);
    EXPECT_EQ(system.wMilliseconds, 500);
    EXPECT_EQ(local.wYear, 2000);
    EXPECT_EQ(local.wSecond, 1);
    EXPECT_EQ(local.wDayOfWeek, 6);
}

TEST(KernelTime, WallClockReturnsToTheRealTimeWithTheManualClock) {
    {
        ManualClock clock;
        clock.SetWallClock(0);
    }
    SYSTEMTIME now{};
    GetSystemTime(&now);
    EXPECT_GT(now.wYear, 2020);
}
