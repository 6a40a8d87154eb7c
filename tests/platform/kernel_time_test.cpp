// The millisecond timer, the high-resolution counter and Sleep on the manual clock, and
// the FILETIME and SYSTEMTIME conversions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/kernel.h"
#include "platform/testing/manual_clock.h"

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

    setenv("TZ", "JST-9", 1);
    tzset();
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Ticks(local), kY2000 + 9ull * 3600 * 10000000);
    setenv("TZ", "UTC", 1);
    tzset();
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
