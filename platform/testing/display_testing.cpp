// Test hooks for the screen: the frame capture, refused display modes, failing locks, the
// X1R5G5B5 display and video memory as scoped objects.
#include "platform/testing/display_testing.h"

#include "platform/video/display_internal.h"

PresentCapture::PresentCapture() { platform_hooks::SetPresentCapture(true); }
PresentCapture::~PresentCapture() { platform_hooks::SetPresentCapture(false); }
std::vector<platform_hooks::PresentedFrame> PresentCapture::Take() { return platform_hooks::TakePresentedFrames(); }

RefuseDisplayModes::RefuseDisplayModes(const std::vector<platform_hooks::RefusedMode>& modes, bool all_but_default) {
    platform_hooks::SetRefusedDisplayModes(modes, all_but_default);
}
RefuseDisplayModes::~RefuseDisplayModes() { platform_hooks::SetRefusedDisplayModes({}, false); }

FailSurfaceLocks::FailSurfaceLocks(int successes) { display::SetLockFailureAfter(successes); }
FailSurfaceLocks::~FailSurfaceLocks() { display::SetLockFailureAfter(-1); }

SixteenBitDisplayAs555::SixteenBitDisplayAs555() { display::SetSixteenBitAs555(true); }
SixteenBitDisplayAs555::~SixteenBitDisplayAs555() { display::SetSixteenBitAs555(false); }

DisplayWithVideoMemory::DisplayWithVideoMemory() { display::SetVideoMemory(true); }
DisplayWithVideoMemory::~DisplayWithVideoMemory() { display::SetVideoMemory(false); }
