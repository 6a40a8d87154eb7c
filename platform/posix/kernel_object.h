// The object behind every HANDLE of the POSIX backend. Each kind (event, thread, file,
// find search, heap) derives from it; CloseHandle deletes it, WaitForSingleObject
// asks it whether it is signalled.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel_types.h"

// Signal state of a waitable object. A thread shares it with its handle, so closing the
// handle of a running thread is safe.
struct SignalState {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    bool manual_reset = true;
    DWORD exit_code = 0;
};

struct KernelObject {
    virtual ~KernelObject() = default;
    // Events and threads carry a signal state; other objects refuse waits.
    std::shared_ptr<SignalState> signal;
};

// Wraps `object` back from a HANDLE, refusing null and INVALID_HANDLE_VALUE.
inline KernelObject* KernelObjectFromHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return handle;
}
