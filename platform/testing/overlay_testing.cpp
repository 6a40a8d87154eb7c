// Test hooks for movie overlays as scoped objects: the overlay offer, the UpdateOverlay
// record and the window clip region.
#include "platform/testing/overlay_testing.h"

OfferOverlays::OfferOverlays(DWORD align_caps, DWORD boundary_src, DWORD size_src, DWORD boundary_dest,
                             DWORD size_dest) {
    platform_hooks::SetOverlayOffer({true, align_caps, boundary_src, size_src, boundary_dest, size_dest});
}
OfferOverlays::~OfferOverlays() { platform_hooks::ResetOverlayOffer(); }

OfferNoOverlays::OfferNoOverlays() { platform_hooks::SetOverlayOffer({false, 0, 0, 0, 0, 0}); }
OfferNoOverlays::~OfferNoOverlays() { platform_hooks::ResetOverlayOffer(); }

OverlayUpdateLog::OverlayUpdateLog() { platform_hooks::SetOverlayUpdateRecording(true); }
OverlayUpdateLog::~OverlayUpdateLog() { platform_hooks::SetOverlayUpdateRecording(false); }
std::vector<platform_hooks::OverlayUpdate> OverlayUpdateLog::Take() { return platform_hooks::TakeOverlayUpdates(); }

WindowClipRegion::WindowClipRegion(int kind) { platform_hooks::SetWindowClipRegionKind(kind); }
WindowClipRegion::~WindowClipRegion() { platform_hooks::SetWindowClipRegionKind(0); }
