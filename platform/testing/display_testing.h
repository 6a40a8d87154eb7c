// Test hooks for the screen: capture of every frame shown in a window, lost surfaces and
// refused display modes, each undone when the object goes away.
#pragma once

#include <vector>

#include "platform/display_hooks.h"

// Records every picture shown in a window while it lives.
class PresentCapture {
public:
    PresentCapture();
    ~PresentCapture();
    PresentCapture(const PresentCapture&) = delete;
    PresentCapture& operator=(const PresentCapture&) = delete;

    // The frames shown since the last call, oldest first.
    std::vector<platform_hooks::PresentedFrame> Take();
};

// The display refuses the listed modes (or all but 640 x 480 x 16 at the default rate)
// while it lives.
class RefuseDisplayModes {
public:
    RefuseDisplayModes(const std::vector<platform_hooks::RefusedMode>& modes, bool all_but_default = false);
    ~RefuseDisplayModes();
    RefuseDisplayModes(const RefuseDisplayModes&) = delete;
    RefuseDisplayModes& operator=(const RefuseDisplayModes&) = delete;
};

// Every live DirectDraw surface is lost until restored.
inline void LoseAllDirectDrawSurfaces() { platform_hooks::MakeDirectDrawSurfacesLost(); }
