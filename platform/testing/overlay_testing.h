// Test hooks for movie overlays: a display that offers overlays (with the alignment it
// asks for), the UpdateOverlay calls made, and a window clip region, each undone when
// the object goes away.
#pragma once

#include <vector>

#include "platform/overlay_hooks.h"

// The display offers overlays while it lives (make it before start-up), asking for the
// given alignment: each value counts with its DDCAPS_ALIGN* bit in `align_caps`.
class OfferOverlays {
public:
    explicit OfferOverlays(DWORD align_caps = 0, DWORD boundary_src = 0, DWORD size_src = 0, DWORD boundary_dest = 0,
                           DWORD size_dest = 0);
    ~OfferOverlays();
    OfferOverlays(const OfferOverlays&) = delete;
    OfferOverlays& operator=(const OfferOverlays&) = delete;
};

// The display offers no overlays while it lives, whatever it does by itself.
class OfferNoOverlays {
public:
    OfferNoOverlays();
    ~OfferNoOverlays();
    OfferNoOverlays(const OfferNoOverlays&) = delete;
    OfferNoOverlays& operator=(const OfferNoOverlays&) = delete;
};

// Records every UpdateOverlay call while it lives.
class OverlayUpdateLog {
public:
    OverlayUpdateLog();
    ~OverlayUpdateLog();
    OverlayUpdateLog(const OverlayUpdateLog&) = delete;
    OverlayUpdateLog& operator=(const OverlayUpdateLog&) = delete;

    // The calls since the last call, oldest first.
    std::vector<platform_hooks::OverlayUpdate> Take();
};

// GetClipBox on a window's device context reports `kind` (NULLREGION, SIMPLEREGION or
// COMPLEXREGION) while it lives.
class WindowClipRegion {
public:
    explicit WindowClipRegion(int kind);
    ~WindowClipRegion();
    WindowClipRegion(const WindowClipRegion&) = delete;
    WindowClipRegion& operator=(const WindowClipRegion&) = delete;
};
