// Threads, events, waits, critical sections and one-time initialisation over the C++
// thread library. Events and finished threads share one signal state, so a single
// WaitForSingleObject serves both.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
// <chrono> itself cannot be compiled with the CP932 execution character set (it holds
// a micro sign); <condition_variable> brings the duration types the waits need.
#include <mutex>
#include <thread>

#include "platform/kernel.h"
#include "platform/platform_hooks.h"
#include "platform/posix/kernel_object.h"

namespace {

struct EventObject : KernelObject {};

struct ThreadObject : KernelObject {
    std::thread thread;
    ~ThreadObject() override {
        // Closing the handle of a running thread leaves the thread running.
        if (thread.joinable()) thread.detach();
    }
};

// Thrown by ExitThread and caught at the bottom of the thread's start routine.
struct ThreadExit {
    DWORD code;
};

void Signal(SignalState& state) {
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.signalled = true;
    }
    state.changed.notify_all();
}

}  // namespace

struct CriticalSectionImpl {
    std::recursive_mutex mutex;
};

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD, DWORD* thread_id) {
    if (start == nullptr) return nullptr;
    auto* object = new ThreadObject;
    object->signal = std::make_shared<SignalState>();
    object->signal->exit_code = STILL_ACTIVE;
    std::shared_ptr<SignalState> state = object->signal;
    // Shared with the new thread: it may still be inside notify_one when this call has
    // seen the id and returned.
    auto id = std::make_shared<std::atomic<DWORD>>(0);
    try {
        object->thread = std::thread([state, start, parameter, id] {
            id->store(GetCurrentThreadId());
            id->notify_one();
            DWORD code = 0;
            try {
                code = start(parameter);
            } catch (const ThreadExit& exit) {
                code = exit.code;
            }
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->exit_code = code;
            }
            Signal(*state);
        });
    } catch (...) {
        delete object;
        return nullptr;
    }
    id->wait(0);
    if (thread_id != nullptr) *thread_id = id->load();
    return object;
}

void ExitThread(DWORD exit_code) { throw ThreadExit{exit_code}; }

BOOL GetExitCodeThread(HANDLE thread, DWORD* exit_code) {
    auto* object = dynamic_cast<ThreadObject*>(KernelObjectFromHandle(thread));
    if (object == nullptr || exit_code == nullptr) return FALSE;
    std::lock_guard<std::mutex> lock(object->signal->mutex);
    *exit_code = object->signal->exit_code;
    return TRUE;
}

DWORD GetCurrentThreadId() {
    thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

HANDLE CreateEventA(void*, BOOL manual_reset, BOOL initial_state, const char*) {
    auto* event = new EventObject;
    event->signal = std::make_shared<SignalState>();
    event->signal->manual_reset = manual_reset != FALSE;
    event->signal->signalled = initial_state != FALSE;
    return event;
}

BOOL SetEvent(HANDLE handle) {
    auto* event = dynamic_cast<EventObject*>(KernelObjectFromHandle(handle));
    if (event == nullptr) return FALSE;
    // Hold the state: a waiter woken by this may close the handle before notify returns.
    const std::shared_ptr<SignalState> state = event->signal;
    Signal(*state);
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    auto* event = dynamic_cast<EventObject*>(KernelObjectFromHandle(handle));
    if (event == nullptr) return FALSE;
    std::lock_guard<std::mutex> lock(event->signal->mutex);
    event->signal->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    KernelObject* object = KernelObjectFromHandle(handle);
    if (object == nullptr || !object->signal) return WAIT_FAILED;
    const std::shared_ptr<SignalState> keep = object->signal;
    SignalState& state = *keep;
    std::unique_lock<std::mutex> lock(state.mutex);
    auto ready = [&state] { return state.signalled; };
    auto consume = [&state] {
        if (!state.manual_reset) state.signalled = false;
        return WAIT_OBJECT_0;
    };
    if (state.signalled) return consume();
    if (milliseconds == 0) return WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
        state.changed.wait(lock, ready);
        return consume();
    }
    if (platform_hooks::IsManualClock()) {
        // Time passes only when someone moves the manual clock: the wait uses up its
        // time-out at once, as Sleep does.
        lock.unlock();
        Sleep(milliseconds);
        lock.lock();
        return state.signalled ? consume() : WAIT_TIMEOUT;
    }
    if (state.changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) return consume();
    return WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle) {
    KernelObject* object = KernelObjectFromHandle(handle);
    if (object == nullptr) return FALSE;
    delete object;
    return TRUE;
}

void InitializeCriticalSection(CRITICAL_SECTION* section) { section->impl = new CriticalSectionImpl; }
void EnterCriticalSection(CRITICAL_SECTION* section) { section->impl->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->impl->mutex.unlock(); }
void DeleteCriticalSection(CRITICAL_SECTION* section) {
    delete section->impl;
    section->impl = nullptr;
}

namespace {
// One guard for every once-record: they are rare and short.
std::mutex g_once_mutex;
std::condition_variable g_once_done;
constexpr std::uintptr_t kOnceRunning = 1;
constexpr std::uintptr_t kOnceDone = 2;
}  // namespace

BOOL InitOnceExecuteOnce(INIT_ONCE* once, PINIT_ONCE_FN init, void* parameter, void** context) {
    std::unique_lock<std::mutex> lock(g_once_mutex);
    for (;;) {
        const auto state = reinterpret_cast<std::uintptr_t>(once->state);
        if (state == kOnceDone) return TRUE;
        if (state == 0) break;
        g_once_done.wait(lock);
    }
    once->state = reinterpret_cast<void*>(kOnceRunning);
    lock.unlock();
    const BOOL ok = init(once, parameter, context);
    lock.lock();
    once->state = reinterpret_cast<void*>(ok ? kOnceDone : 0);
    g_once_done.notify_all();
    return ok;
}
