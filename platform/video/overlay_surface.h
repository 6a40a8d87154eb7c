// Overlay surfaces of the display stand-in: system-memory surfaces in an overlay format
// that UpdateOverlay shows over a primary at a rectangle of the screen, scaled to it. The
// overlay is never written into the primary: whatever presents the primary's picture in
// its window draws the shown overlays over it (CompositeOverlays). Also the overlay
// capabilities of the DirectDraw object, and the switch saying whether overlays are
// offered at all. Only platform/video/ and platform/opengl/ include it.
#pragma once

#include "platform/ddraw.h"
#include "platform/video/display_internal.h"

namespace display {

class SurfaceCommon;

// Whether the display offers overlays: the DirectDraw object then answers the older
// interface, reports overlay capabilities and makes overlay surfaces.
bool OverlaysOffered();
// The RGB formats overlay surfaces are made in (in system memory): 16-bit 5:5:5 and
// 5:6:5. The YUV ones, UYVY and YUY2, are made as the video-memory YUV surfaces of
// platform/opengl/ and exist only where GL does.
bool IsRgbOverlayFormat(const DDPIXELFORMAT& format);
bool IsYuvOverlayFormat(const DDPIXELFORMAT& format);
// Makes a surface an overlay surface: DDSCAPS_OVERLAY in its caps, and UpdateOverlay
// answered.
void RegisterOverlaySurface(SurfaceCommon* surface);
bool IsOverlaySurface(const SurfaceCommon* surface);
// Adds the overlay capabilities (dwCaps bits, stretch factors, alignment) to `caps`.
void AddOverlayCaps(DDCAPS* caps);

// UpdateOverlay of an overlay surface.
HRESULT UpdateOverlayOf(SurfaceCommon* overlay, const RECT* source_rect, IDirectDrawSurface7* destination,
                        const RECT* destination_rect, DWORD flags);
// The overlay's pixels changed: the primary it is shown over is presented again.
void OverlayChanged(SurfaceCommon* overlay);
// The surface goes: an overlay is hidden and forgotten.
void ForgetOverlay(SurfaceCommon* overlay);

// Whether an overlay is shown over `primary`.
bool AnyOverlayShownOver(const SurfaceCommon* primary);
// Draws the overlays shown over `primary` into the window's picture: `shown` is the
// rectangle of the primary the picture shows, `destination` where it lands in the
// picture (client coordinates); an overlay's screen rectangle is mapped the same way.
void CompositeOverlays(const SurfaceCommon* primary, HWND window, const RECT& shown, const RECT& destination);

}  // namespace display
