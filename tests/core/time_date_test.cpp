// The microsecond clock's three sources under the manual clock, and the date records
// from file times and from the (manual) wall clock in several time zones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "engine/core/system_block.h"
#include "engine/core/time_date.h"
#include "platform/platform_hooks.h"
#include "platform/testing/manual_clock.h"

namespace {

// Sets TZ for the test's lifetime; the tests run with TZ=UTC otherwise. POSIX zone rules
// ("JST-9") need no time-zone database.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

FILETIME MakeFileTime(unsigned long long ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

struct Date {
    int fields[6];
    bool operator==(const Date& other) const {
        for (int i = 0; i < 6; ++i) {
            if (fields[i] != other.fields[i]) return false;
        }
        return true;
    }
};

std::ostream& operator<<(std::ostream& out, const Date& d) {
    return out << d.fields[0] << "-" << d.fields[1] << "-" << d.fields[2] << " " << d.fields[3] << ":"
               << d.fields[4] << ":" << d.fields[5];
}

Date FromFileTime(unsigned long long ticks) {
    const FILETIME time = MakeFileTime(ticks);
    Date d{};
    FileTimeToDateFields(&time, d.fields);
    return d;
}

constexpr unsigned long long kY2000 = 125911584000000000ull;  // 2000-01-01 00:00:00 UTC
constexpr unsigned long long kTicksPerSecond = 10000000ull;

void ResetClockSettings() {
    SystemBlock* block = GetSystemBlock();
    block->initialised = 0;
    block->has_time_stamp_counter = 0;
    block->cpu_clock = 0;
    block->use_performance_counter = 0;
    block->performance_frequency = 0;
}

}  // namespace

// The clock settings live in the SystemBlock for the whole process: each test starts
// from none and leaves none, however it ends.
class TimeDate : public ::testing::Test {
protected:
    void SetUp() override { ResetClockSettings(); }
    void TearDown() override { ResetClockSettings(); }
};

TEST_F(TimeDate, FileTimeToDateFieldsInLocalTime) {
    struct Case {
        const char* zone;
        unsigned long long ticks;
        Date date;
    };
    const Case cases[] = {
        {"UTC", kY2000, {{2000, 1, 1, 0, 0, 0}}},
        {"JST-9", kY2000, {{2000, 1, 1, 9, 0, 0}}},
        {"EST5", kY2000, {{1999, 12, 31, 19, 0, 0}}},
        {"UTC", kY2000 + 59 * 24 * 3600 * kTicksPerSecond + 12345678, {{2000, 2, 29, 0, 0, 1}}},  // leap day
        {"UTC", kY2000 - 1, {{1999, 12, 31, 23, 59, 59}}},
        {"UTC", 0, {{1601, 1, 1, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        EXPECT_EQ(FromFileTime(c.ticks), c.date) << c.zone << " " << c.ticks;
    }
}

TEST_F(TimeDate, LocalDateFieldsReadTheWallClock) {
    ManualClock clock;
    clock.SetWallClock(1260018429);  // 2009-12-05 13:07:09 UTC
    int date[6] = {};
    EXPECT_EQ(GetLocalDateFields(date), 0);
    EXPECT_EQ((Date{{date[0], date[1], date[2], date[3], date[4], date[5]}}), (Date{{2009, 12, 5, 13, 7, 9}}));
    {
        ScopedTimeZone zone("JST-9");
        clock.AdvanceMs(61000);
        GetLocalDateFields(date);
        EXPECT_EQ((Date{{date[0], date[1], date[2], date[3], date[4], date[5]}}), (Date{{2009, 12, 5, 22, 8, 10}}));
    }
}

TEST_F(TimeDate, PerformanceCounterIsScaledToMicroseconds) {
    ManualClock clock;
    SystemBlock* block = GetSystemBlock();
    block->use_performance_counter = 1;
    block->performance_frequency = 3579545;
    clock.AdvanceNs(3579545);  // the platform's counter counts nanoseconds
    EXPECT_EQ(GetMicrosecondCount(0), 1000000);

    // Counts whose product with 1,000,000 passes 64 bits.
    block->performance_frequency = 1000000000;
    clock.AdvanceNs(1000000000000000000ull - 3579545);  // about 31.7 years
    EXPECT_EQ(GetMicrosecondCount(0), 1000000000000000);
    block->performance_frequency = 3579545;
    EXPECT_EQ(GetMicrosecondCount(0), 279365114840014582);  // 10^24 / 3,579,545, rounded down
}

TEST_F(TimeDate, WithoutACounterTheMillisecondTimerIsUsedAndWraps) {
    ManualClock clock(1234);
    EXPECT_EQ(GetMicrosecondCount(0), 1234000);
    EXPECT_EQ(GetMicrosecondCount(1), 1234000);
    // A counter switched on with a frequency of 0 is no counter.
    GetSystemBlock()->use_performance_counter = 1;
    GetSystemBlock()->performance_frequency = 0;
    EXPECT_EQ(GetMicrosecondCount(0), 1234000);
    // The millisecond count wraps after 2^32 ms, and the microseconds with it.
    clock.AdvanceNs((0x100000000ull - 1234 + 5) * 1000000ull);
    EXPECT_EQ(GetMicrosecondCount(0), 5000);
}

TEST_F(TimeDate, TimeStampCounterOnlyWhenAllowedUpAndClocked) {
    ManualClock clock;
    platform_hooks::SetManualTimeStampRate(3);  // 3 counts per nanosecond
    clock.AdvanceNs(1000000000);                // one second
    SystemBlock* block = GetSystemBlock();
    block->has_time_stamp_counter = 1;
    block->initialised = 1;
    block->cpu_clock = 1500000000;  // claims half the real rate: twice the microseconds
    block->use_performance_counter = 1;
    block->performance_frequency = 2000000000;  // likewise, half the microseconds

    EXPECT_EQ(GetMicrosecondCount(1), 2000000);  // time-stamp counter
    EXPECT_EQ(GetMicrosecondCount(0), 500000);   // never the time-stamp counter with 0
    block->initialised = 0;
    EXPECT_EQ(GetMicrosecondCount(1), 500000);
    block->initialised = 1;
    block->has_time_stamp_counter = 0;
    EXPECT_EQ(GetMicrosecondCount(1), 500000);
    block->has_time_stamp_counter = 1;
    block->cpu_clock = 0;  // unknown clock: fall through instead of dividing by zero
    EXPECT_EQ(GetMicrosecondCount(1), 500000);
    block->use_performance_counter = 0;
    EXPECT_EQ(GetMicrosecondCount(1), 1000000);  // milliseconds x 1,000
}
