// Events, waits, threads, critical sections and one-time initialisation. Nothing here
// waits on the wall clock: finite time-outs run under the manual clock, and threads are
// joined through events and infinite waits.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/kernel.h"
#include "platform/testing/manual_clock.h"

TEST(KernelSync, ManualResetEventStaysSignalledUntilReset) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(SetEvent(event));  // setting twice is no error
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));

    HANDLE initially_set = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(initially_set, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(initially_set, 0), WAIT_OBJECT_0);
    CloseHandle(initially_set);
}

TEST(KernelSync, AutoResetEventReleasesOneWait) {
    HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetEvent(event);
    SetEvent(event);  // no count: still one wait
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

namespace {

struct Handshake {
    HANDLE go;
    HANDLE done;
    std::atomic<int> woke{0};
};

DWORD WaitForGo(void* parameter) {
    auto* h = static_cast<Handshake*>(parameter);
    WaitForSingleObject(h->go, INFINITE);
    h->woke.fetch_add(1);
    SetEvent(h->done);
    return 0;
}

}  // namespace

TEST(KernelSync, AutoResetEventWakesOneOfTwoWaitingThreads) {
    Handshake h;
    h.go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    h.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE first = CreateThread(nullptr, 0, WaitForGo, &h, 0, nullptr);
    HANDLE second = CreateThread(nullptr, 0, WaitForGo, &h, 0, nullptr);
    SetEvent(h.go);
    EXPECT_EQ(WaitForSingleObject(h.done, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(h.woke.load(), 1);
    // The woken thread consumed the signal.
    EXPECT_EQ(WaitForSingleObject(h.go, 0), WAIT_TIMEOUT);
    SetEvent(h.go);
    EXPECT_EQ(WaitForSingleObject(h.done, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(h.woke.load(), 2);
    CloseHandle(first);
    CloseHandle(second);
    CloseHandle(h.go);
    CloseHandle(h.done);
}

TEST(KernelSync, FiniteWaitUnderTheManualClockAdvancesItAndTimesOut) {
    ManualClock clock(100);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 250), WAIT_TIMEOUT);
    EXPECT_EQ(timeGetTime(), 350u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);  // a poll takes no time
    EXPECT_EQ(timeGetTime(), 350u);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0);  // already signalled: no time passes
    EXPECT_EQ(timeGetTime(), 350u);
    CloseHandle(event);
}

TEST(KernelSync, WaitsOnThingsThatAreNotWaitableFail) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, INFINITE), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(GetProcessHeap(), INFINITE), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_FALSE(ResetEvent(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

namespace {

struct ThreadArgs {
    HANDLE release;
    DWORD seen_id = 0;
};

DWORD ReturnsAfterRelease(void* parameter) {
    auto* args = static_cast<ThreadArgs*>(parameter);
    args->seen_id = GetCurrentThreadId();
    WaitForSingleObject(args->release, INFINITE);
    return 42;
}

void EndsDeepInside(int depth) {
    if (depth < 0) return;
    if (depth == 0) ExitThread(7);
    EndsDeepInside(depth - 1);
}

DWORD ExitsThroughExitThread(void*) {
    EndsDeepInside(3);
    return 1;  // never reached
}

}  // namespace

TEST(KernelSync, ThreadExitCodesAndWaitingOnAThread) {
    ThreadArgs args;
    args.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ReturnsAfterRelease, &args, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, 0xFFFFFFFFu);
    EXPECT_NE(id, GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    SetEvent(args.release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // a finished thread stays signalled
    EXPECT_EQ(args.seen_id, id);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(thread));
    CloseHandle(args.release);

    HANDLE exiting = CreateThread(nullptr, 0, ExitsThroughExitThread, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(exiting, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(exiting, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(exiting);

    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_FALSE(GetExitCodeThread(event, &code));  // not a thread
    EXPECT_FALSE(GetExitCodeThread(nullptr, &code));
    CloseHandle(event);
}

TEST(KernelSync, ThreadWaitTimesOutUnderTheManualClock) {
    ManualClock clock;
    ThreadArgs args;
    args.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, ReturnsAfterRelease, &args, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    EXPECT_EQ(timeGetTime(), 10u);
    SetEvent(args.release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(args.release);
}

namespace {

struct Orphan {
    HANDLE release;
    HANDLE finished;
    std::atomic<int> ran{0};
};

DWORD RunsOnAfterItsHandleIsClosed(void* parameter) {
    auto* o = static_cast<Orphan*>(parameter);
    WaitForSingleObject(o->release, INFINITE);
    o->ran.store(1);
    SetEvent(o->finished);
    return 0;
}

}  // namespace

TEST(KernelSync, ClosingARunningThreadsHandleIsSafe) {
    Orphan o;
    o.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    o.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, RunsOnAfterItsHandleIsClosed, &o, 0, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    SetEvent(o.release);
    EXPECT_EQ(WaitForSingleObject(o.finished, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(o.ran.load(), 1);
    // The thread may still be inside SetEvent; closing the event now must be safe too.
    CloseHandle(o.finished);
    CloseHandle(o.release);
}

namespace {

struct Section {
    CRITICAL_SECTION section;
    HANDLE entered;  // set by the other thread once it holds the section
    int value = 0;
    int seen = -1;
};

DWORD EntersTheSection(void* parameter) {
    auto* s = static_cast<Section*>(parameter);
    EnterCriticalSection(&s->section);
    s->seen = s->value;
    LeaveCriticalSection(&s->section);
    SetEvent(s->entered);
    return 0;
}

}  // namespace

TEST(KernelSync, CriticalSectionIsReentrantAndHeldUntilTheLastLeave) {
    Section s;
    InitializeCriticalSection(&s.section);
    s.entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EnterCriticalSection(&s.section);
    EnterCriticalSection(&s.section);  // the owner may enter again
    EnterCriticalSection(&s.section);
    HANDLE thread = CreateThread(nullptr, 0, EntersTheSection, &s, 0, nullptr);
    LeaveCriticalSection(&s.section);
    LeaveCriticalSection(&s.section);
    // Still held once: the other thread cannot have entered.
    EXPECT_EQ(WaitForSingleObject(s.entered, 0), WAIT_TIMEOUT);
    s.value = 1;
    LeaveCriticalSection(&s.section);
    EXPECT_EQ(WaitForSingleObject(s.entered, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(s.seen, 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(s.entered);
    DeleteCriticalSection(&s.section);
}

namespace {

struct Once {
    INIT_ONCE once{};
    HANDLE start;
    std::atomic<int> runs{0};
    std::atomic<int> ready{0};
    std::atomic<int> saw_ready{0};
};

BOOL InitialiseOnce(INIT_ONCE*, void* parameter, void**) {
    auto* o = static_cast<Once*>(parameter);
    o->runs.fetch_add(1);
    Sleep(0);  // give the others a chance to arrive while this runs
    o->ready.store(1);
    return TRUE;
}

DWORD CallsOnce(void* parameter) {
    auto* o = static_cast<Once*>(parameter);
    WaitForSingleObject(o->start, INFINITE);
    if (InitOnceExecuteOnce(&o->once, InitialiseOnce, o, nullptr) && o->ready.load() == 1) o->saw_ready.fetch_add(1);
    return 0;
}

int g_failing_runs = 0;
BOOL FailsTheFirstTime(INIT_ONCE*, void*, void**) { return ++g_failing_runs >= 2 ? TRUE : FALSE; }

}  // namespace

TEST(KernelSync, InitOnceRunsOnceAcrossThreads) {
    Once o;
    o.start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> threads;
    for (int i = 0; i < 8; ++i) threads.push_back(CreateThread(nullptr, 0, CallsOnce, &o, 0, nullptr));
    SetEvent(o.start);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(o.runs.load(), 1);
    EXPECT_EQ(o.saw_ready.load(), 8);  // every caller returned after the initialisation finished
    EXPECT_TRUE(InitOnceExecuteOnce(&o.once, InitialiseOnce, &o, nullptr));
    EXPECT_EQ(o.runs.load(), 1);
    CloseHandle(o.start);

    // A failed initialisation is tried again by the next call.
    INIT_ONCE again{};
    EXPECT_FALSE(InitOnceExecuteOnce(&again, FailsTheFirstTime, nullptr, nullptr));
    EXPECT_TRUE(InitOnceExecuteOnce(&again, FailsTheFirstTime, nullptr, nullptr));
    EXPECT_TRUE(InitOnceExecuteOnce(&again, FailsTheFirstTime, nullptr, nullptr));
    EXPECT_EQ(g_failing_runs, 2);
}

TEST(KernelSync, ThreadIdsAreStablePerThread) {
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    EXPECT_NE(GetCurrentThreadId(), 0u);
}

TEST(KernelProcess, ExitProcessEndsWithTheLowByteOfTheCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitProcess(static_cast<UINT>(-1)), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(ExitProcess(0), testing::ExitedWithCode(0), "");
}
