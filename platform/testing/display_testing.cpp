// Test hooks for the screen: the frame capture and refused display modes as scoped objects.
#include "platform/testing/display_testing.h"

PresentCapture::PresentCapture() { platform_hooks::SetPresentCapture(true); }
PresentCapture::~PresentCapture() { platform_hooks::SetPresentCapture(false); }
std::vector<platform_hooks::PresentedFrame> PresentCapture::Take() { return platform_hooks::TakePresentedFrames(); }

RefuseDisplayModes::RefuseDisplayModes(const std::vector<platform_hooks::RefusedMode>& modes, bool all_but_default) {
    platform_hooks::SetRefusedDisplayModes(modes, all_but_default);
}
RefuseDisplayModes::~RefuseDisplayModes() { platform_hooks::SetRefusedDisplayModes({}, false); }
