// Test hooks for the window layer: failing a named creation call, answering the next
// message box, a private folder for the instance lock files and a fake desktop size,
// each undone when the object goes away. Input injection is in platform/window_hooks.h.
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window_hooks.h"

// While it lives, the named call fails `count` times (negative: every time).
class FailCall {
public:
    explicit FailCall(const char* call_name, int count = -1);
    ~FailCall();
    FailCall(const FailCall&) = delete;
    FailCall& operator=(const FailCall&) = delete;

private:
    std::string name_;
};

// Answers every message box asked while it lives with `answer` and records them.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int answer);
    ~MessageBoxAnswer();
    MessageBoxAnswer(const MessageBoxAnswer&) = delete;
    MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

    // The boxes asked since the last call.
    std::vector<platform_hooks::MessageBoxRecord> Take();
};

// Lock files of running window classes go to `folder` while it lives, so tests that
// run side by side never see each other as a second running copy.
class InstanceLockFolder {
public:
    explicit InstanceLockFolder(const std::string& folder);
    ~InstanceLockFolder();
    InstanceLockFolder(const InstanceLockFolder&) = delete;
    InstanceLockFolder& operator=(const InstanceLockFolder&) = delete;
};

class FakeDesktopSize {
public:
    FakeDesktopSize(int width, int height);
    ~FakeDesktopSize();
    FakeDesktopSize(const FakeDesktopSize&) = delete;
    FakeDesktopSize& operator=(const FakeDesktopSize&) = delete;
};

// A window that only takes messages (no size, never shown), of the class `class_name`
// registered with `procedure`; null when it cannot be made.
HWND CreateMessageOnlyWindow(const char* class_name, WNDPROC procedure);
