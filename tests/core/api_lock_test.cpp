// The ApiLock: re-entry for its owner, strict arrival-order hand-off between threads, an
// inner leave that wakes nobody, and the entries that return at once without the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/system_block.h"
#include "engine/include/vomur.h"
#include "tests/core/scoped_value.h"

namespace {

int WaiterCount() {
    ApiLock& lock = GetSystemBlock()->api_lock;
    EnterCriticalSection(&lock.section);
    const int count = lock.waiter_count;
    LeaveCriticalSection(&lock.section);
    return count;
}

void WaitForWaiters(int count) {
    while (WaiterCount() < count) std::this_thread::yield();
}

}  // namespace

TEST(ApiLock, OwnerReentersAndReleasesAtZero) {
    ApiLockEnter();
    ApiLockEnter();
    ApiLock& lock = GetSystemBlock()->api_lock;
    EXPECT_EQ(lock.recursion_count, 2);
    EXPECT_EQ(lock.owner, GetCurrentThreadId());
    ApiLockLeave();
    EXPECT_EQ(lock.held, 1);
    ApiLockLeave();
    EXPECT_EQ(lock.held, 0);
    EXPECT_EQ(lock.owner, 0xFFFFFFFFu);
    DestroyApiLock();
    EXPECT_EQ(lock.created, 0);
}

TEST(ApiLock, WaitersAreServedInArrivalOrder) {
    std::mutex order_mutex;
    std::vector<char> order;
    auto worker = [&](char name) {
        ApiLockEnter();
        {
            std::lock_guard<std::mutex> guard(order_mutex);
            order.push_back(name);
        }
        ApiLockLeave();
    };
    ApiLockEnter();  // A
    ApiLockEnter();  // an inner level: its leave must wake nobody
    std::thread b(worker, 'B');
    WaitForWaiters(1);
    std::thread c(worker, 'C');
    WaitForWaiters(2);
    ApiLockLeave();
    EXPECT_EQ(WaiterCount(), 2);
    {
        std::lock_guard<std::mutex> guard(order_mutex);
        EXPECT_TRUE(order.empty());
    }
    ApiLockLeave();
    std::thread d(worker, 'D');  // arrives while the lock is being handed to B
    b.join();
    c.join();
    d.join();
    EXPECT_EQ(order, (std::vector<char>{'B', 'C', 'D'}));
    EXPECT_EQ(WaiterCount(), 0);
    DestroyApiLock();
}

TEST(ApiLock, EntriesThatNeedNoLock) {
    // Terminating an engine that is down returns at once and makes no lock.
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(GetSystemBlock()->api_lock.created, 0);
    // Initialising an engine that is up returns at once without the lock.
    const ScopedValue<std::int32_t> up(GetSystemBlock()->initialised, 1);
    EXPECT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(GetSystemBlock()->api_lock.created, 0);
}

TEST(ApiLock, ScreenLogTextIsCutToItsBuffer) {
    const std::string long_text(5000, 'x');
    // With no screen the on-screen log cannot start: it stores nothing and the write answers 0.
    EXPECT_EQ(ApiScreenLogPrintf("%s%%", long_text.c_str()), 0);
    EXPECT_EQ(ApiDrawTextFormatted(0, 0, 0, "%s", long_text.c_str()), -1);
}
