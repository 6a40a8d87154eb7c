// The ApiLock: re-entry for its owner, strict arrival-order hand-off through a queue of
// 4,096 per-entry events. Creation and teardown go through one process-wide guard so two
// first callers cannot both build it and no event is closed under a waiting thread.
// Relies on the platform's events, critical sections and one-time initialisation.
#include "engine/core/api_lock.h"

#include "engine/core/system_block.h"

namespace {

constexpr std::uint32_t kNoOwner = 0xFFFFFFFFu;

INIT_ONCE g_guard_once{};
CRITICAL_SECTION g_guard;

BOOL MakeGuard(INIT_ONCE*, void*, void**) {
    InitializeCriticalSection(&g_guard);
    return TRUE;
}

void EnterGuard() {
    InitOnceExecuteOnce(&g_guard_once, MakeGuard, nullptr, nullptr);
    EnterCriticalSection(&g_guard);
}

ApiLock& Lock() { return GetSystemBlock()->api_lock; }

void CreateLockIfNeeded() {
    EnterGuard();
    ApiLock& lock = Lock();
    if (!lock.created) {
        for (ApiLockQueueEntry& entry : lock.queue) {
            entry.thread_id = 0;
            entry.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        }
        InitializeCriticalSection(&lock.section);
        lock.recursion_count = 0;
        lock.held = 0;
        lock.owner = kNoOwner;
        lock.waiter_count = 0;
        lock.created = 1;
    }
    LeaveCriticalSection(&g_guard);
}

}  // namespace

void ApiLockEnter() {
    CreateLockIfNeeded();
    ApiLock& lock = Lock();
    const std::uint32_t me = GetCurrentThreadId();
    for (;;) {
        EnterCriticalSection(&lock.section);
        bool take = false;
        if (lock.held) {
            take = lock.owner == me;
        } else if (lock.waiter_count == 0 || lock.owner == me) {
            take = true;
        } else if (lock.queue[0].thread_id == me) {
            // Leave the head of the queue; its event moves to the free end.
            if (lock.waiter_count > 1) {
                HANDLE head_event = lock.queue[0].event;
                for (int i = 1; i < lock.waiter_count; ++i) lock.queue[i - 1] = lock.queue[i];
                lock.queue[lock.waiter_count - 1].event = head_event;
                lock.queue[lock.waiter_count - 1].thread_id = 0;
            } else {
                lock.queue[0].thread_id = 0;
            }
            --lock.waiter_count;
            take = true;
        }
        if (take) {
            ++lock.recursion_count;
            lock.held = 1;
            lock.owner = me;
            LeaveCriticalSection(&lock.section);
            return;
        }
        if (lock.waiter_count == kApiLockQueueLength) {
            LeaveCriticalSection(&lock.section);
            Sleep(1);
            continue;
        }
        ApiLockQueueEntry& entry = lock.queue[lock.waiter_count];
        entry.thread_id = me;
        HANDLE event = entry.event;
        ++lock.waiter_count;
        LeaveCriticalSection(&lock.section);
        WaitForSingleObject(event, INFINITE);
        ResetEvent(event);
    }
}

void ApiLockLeave() {
    ApiLock& lock = Lock();
    if (!lock.created) return;
    EnterCriticalSection(&lock.section);
    bool wake = false;
    if (lock.recursion_count == 1) {
        lock.held = 0;
        lock.owner = kNoOwner;
        wake = lock.waiter_count >= 1;
    }
    if (lock.recursion_count > 0) --lock.recursion_count;
    HANDLE head_event = wake ? lock.queue[0].event : nullptr;
    LeaveCriticalSection(&lock.section);
    if (wake) {
        SetEvent(head_event);
        Sleep(0);
    }
}

void DestroyApiLock() {
    EnterGuard();
    ApiLock& lock = Lock();
    if (lock.created) {
        EnterCriticalSection(&lock.section);
        const bool idle = !lock.held && lock.waiter_count == 0;
        LeaveCriticalSection(&lock.section);
        if (idle) {
            lock.created = 0;
            for (ApiLockQueueEntry& entry : lock.queue) {
                if (entry.event != nullptr) CloseHandle(entry.event);
                entry.event = nullptr;
                entry.thread_id = 0;
            }
            DeleteCriticalSection(&lock.section);
        }
    }
    LeaveCriticalSection(&g_guard);
}
