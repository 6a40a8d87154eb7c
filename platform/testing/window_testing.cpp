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
