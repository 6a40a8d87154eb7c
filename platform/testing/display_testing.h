// Test hooks for the screen: capture of every frame shown in a window, lost surfaces,
// refused display modes, failing surface locks, an X1R5G5B5 16-bit display and video
// memory, each undone when the object goes away.
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

// Surface locks (of system-memory and YUV surfaces) fail (DDERR_SURFACEBUSY) once
// `successes` more have succeeded, while it lives.
class FailSurfaceLocks {
public:
    explicit FailSurfaceLocks(int successes = 0);
    ~FailSurfaceLocks();
    FailSurfaceLocks(const FailSurfaceLocks&) = delete;
    FailSurfaceLocks& operator=(const FailSurfaceLocks&) = delete;
};

// The display's 16-bit modes are X1R5G5B5 while it lives (make it before start-up).
class SixteenBitDisplayAs555 {
public:
    SixteenBitDisplayAs555();
    ~SixteenBitDisplayAs555();
    SixteenBitDisplayAs555(const SixteenBitDisplayAs555&) = delete;
    SixteenBitDisplayAs555& operator=(const SixteenBitDisplayAs555&) = delete;
};

// The display has video memory while it lives (make it before start-up): surfaces asked
// for in video memory or for the 3-D device report DDSCAPS_VIDEOMEMORY.
class DisplayWithVideoMemory {
public:
    DisplayWithVideoMemory();
    ~DisplayWithVideoMemory();
    DisplayWithVideoMemory(const DisplayWithVideoMemory&) = delete;
    DisplayWithVideoMemory& operator=(const DisplayWithVideoMemory&) = delete;
};
