// The engine-wide re-entrant lock taken by the initialise, terminate and
// message-processing entries. Waiting threads queue in arrival order, each on its own
// event, and the lock is handed over strictly first come, first served.
#pragma once

#include <cstdint>

#include "platform/kernel.h"

constexpr int kApiLockQueueLength = 4096;

struct ApiLockQueueEntry {
    std::uint32_t thread_id;
    HANDLE event;  // owned by the entry for the whole life of the lock
};

struct ApiLock {
    std::int32_t recursion_count;
    std::int32_t held;
    std::uint32_t owner;  // 0xFFFFFFFF when free
    ApiLockQueueEntry queue[kApiLockQueueLength];
    std::int32_t created;
    std::int32_t waiter_count;
    CRITICAL_SECTION section;
};

void ApiLockEnter();
void ApiLockLeave();
// Closes the queue events and deletes the critical section when the lock exists and
// nobody holds it or waits for it; a later ApiLockEnter makes it afresh.
void DestroyApiLock();
