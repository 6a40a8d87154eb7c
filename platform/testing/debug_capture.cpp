// Test hook: capture of the debugger output over the platform's seam.
#include "platform/testing/debug_capture.h"

#include "platform/platform_hooks.h"

DebugCapture::DebugCapture() { platform_hooks::SetDebugCapture(true); }
DebugCapture::~DebugCapture() { platform_hooks::SetDebugCapture(false); }
std::string DebugCapture::Take() { return platform_hooks::TakeDebugCapture(); }
