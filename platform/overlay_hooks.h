// Seams inside the platform layer for tests of movie overlays: whether the display offers
// overlays and with which capabilities, the UpdateOverlay calls made, and the clip region
// a window's device context reports. The engine never includes this header;
// platform/testing/overlay_testing.h wraps it.
#pragma once

#include <vector>

#include "platform/ddraw.h"

namespace platform_hooks {

// What the display offers: overlays or none, and the alignment it asks of overlay
// rectangles (each value counts only with its DDCAPS_ALIGN* bit in `align_caps`).
struct OverlayOffer {
    bool offered;
    DWORD align_caps;
    DWORD align_boundary_src;
    DWORD align_size_src;
    DWORD align_boundary_dest;
    DWORD align_size_dest;
};
void SetOverlayOffer(const OverlayOffer& offer);
// Back to what the display offers by itself.
void ResetOverlayOffer();

// One UpdateOverlay call on an overlay surface, as made.
struct OverlayUpdate {
    bool has_source;
    RECT source;
    bool to_primary;  // the destination surface is a primary
    bool has_destination;
    RECT destination;
    DWORD flags;
    HRESULT result;
};
// While on, every UpdateOverlay call is recorded.
void SetOverlayUpdateRecording(bool on);
std::vector<OverlayUpdate> TakeOverlayUpdates();

// The region kind GetClipBox reports for a window's device context: 0 as the window is,
// else NULLREGION, SIMPLEREGION (with the client area) or COMPLEXREGION.
void SetWindowClipRegionKind(int kind);

}  // namespace platform_hooks
