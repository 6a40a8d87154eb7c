// Test hooks for the window layer over the seams of platform/window_hooks.h.
#include "platform/testing/window_testing.h"

FailCall::FailCall(const char* call_name, int count) : name_(call_name) {
    platform_hooks::SetCallFailure(name_.c_str(), count);
}
FailCall::~FailCall() { platform_hooks::SetCallFailure(name_.c_str(), 0); }

MessageBoxAnswer::MessageBoxAnswer(int answer) {
    platform_hooks::TakeMessageBoxRecords();
    platform_hooks::SetNextMessageBoxAnswer(answer);
}
MessageBoxAnswer::~MessageBoxAnswer() { platform_hooks::SetNextMessageBoxAnswer(0); }
std::vector<platform_hooks::MessageBoxRecord> MessageBoxAnswer::Take() {
    return platform_hooks::TakeMessageBoxRecords();
}

InstanceLockFolder::InstanceLockFolder(const std::string& folder) { platform_hooks::SetInstanceLockDirectory(folder); }
InstanceLockFolder::~InstanceLockFolder() { platform_hooks::SetInstanceLockDirectory(""); }

FakeDesktopSize::FakeDesktopSize(int width, int height) { platform_hooks::SetDesktopSizeOverride(width, height); }
FakeDesktopSize::~FakeDesktopSize() { platform_hooks::SetDesktopSizeOverride(0, 0); }

HWND CreateMessageOnlyWindow(const char* class_name, WNDPROC procedure) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassExA(&window_class);
    return CreateWindowExA(0, class_name, class_name, 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}
