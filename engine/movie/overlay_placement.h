// The placement arithmetic of a movie overlay, free of any surface: what is shown where
// for a placement, and whether it differs from the one shown last.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"

constexpr std::uint32_t kCapsAlignBoundaryDest = 0x2;
constexpr std::uint32_t kCapsAlignSizeDest = 0x4;
constexpr std::uint32_t kCapsAlignBoundarySrc = 0x8;
constexpr std::uint32_t kCapsAlignSizeSrc = 0x10;

enum ClipRegionKind : std::int32_t { kClipRegionNone = 0, kClipRegionNull = 1, kClipRegionSimple = 2, kClipRegionComplex = 3 };

struct OverlayAlignment {
    std::uint32_t caps;
    std::uint32_t boundary_src, size_src, boundary_dest, size_dest;
};

struct OverlayPlacementInput {
    std::int32_t x, y, scale, show;
    std::int32_t width, height;  // the movie's frame
    std::int32_t window_mode;
    std::int32_t clip_region;  // kClipRegionNone when there is no device context
    RECT clip_box;
    RECT client;  // the client area in screen coordinates
    OverlayAlignment alignment;
};

struct OverlayRects {
    std::int32_t show;
    RECT source;       // all zero when hidden
    RECT destination;  // all zero when hidden
};

OverlayRects ComputeOverlayPlacement(const OverlayPlacementInput& in);
// True when the placement has to be sent (a change, or a hide).
bool OverlayPlacementChanged(const OverlayRects& cached, const OverlayRects& next);
