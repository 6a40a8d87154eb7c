// Overlay placement for movies shown in an overlay surface: the source and destination
// rectangles of a placement at (x, y) magnified by an integer scale, clipped to the
// visible client area, trimmed in source pixels and aligned as the hardware asks. No
// overlay surface exists on this platform, so no movie is ever in overlay mode and the
// handle-level calls only validate; the arithmetic stands on its own.
#include "engine/movie/overlay_placement.h"

#include "engine/movie/movie_record.h"

namespace {
void ClipRect(RECT* a, const RECT& b) {
    if (a->right < a->left) a->right = a->left;
    if (a->bottom < a->top) a->bottom = a->top;
    auto clamp = [](LONG v, LONG lo, LONG hi) { return v < lo ? lo : v > hi ? hi : v; };
    a->left = clamp(a->left, b.left, b.right);
    a->right = clamp(a->right, b.left, b.right);
    a->top = clamp(a->top, b.top, b.bottom);
    a->bottom = clamp(a->bottom, b.top, b.bottom);
}
}  // namespace

OverlayRects ComputeOverlayPlacement(const OverlayPlacementInput& in) {
    OverlayRects out{};
    out.show = in.show;
    // A scale below 1 has no size to show.
    if (in.scale < 1) {
        out.show = 0;
        return out;
    }
    RECT src{0, 0, in.width, in.height};
    RECT dst{in.x, in.y, in.x + in.width * in.scale, in.y + in.height * in.scale};
    RECT vis = dst;
    if (in.window_mode) {
        if (in.clip_region == kClipRegionNull || in.clip_region == kClipRegionComplex) out.show = 0;
        if (in.clip_region == kClipRegionSimple) ClipRect(&vis, in.clip_box);
    }
    const RECT& client = in.client;
    dst.left += client.left;
    dst.right += client.left;
    dst.top += client.top;
    dst.bottom += client.top;
    vis.left += client.left;
    vis.right += client.left;
    vis.top += client.top;
    vis.bottom += client.top;
    ClipRect(&vis, client);
    if (vis.bottom - vis.top == 0 || vis.right - vis.left == 0) out.show = 0;
    if (vis.left > dst.left) src.left += (vis.left - dst.left) / in.scale;
    if (vis.right < dst.right) src.right -= (dst.right - vis.right) / in.scale;
    if (vis.top > dst.top) src.top += (vis.top - dst.top) / in.scale;
    if (vis.bottom < dst.bottom) src.bottom -= (dst.bottom - vis.bottom) / in.scale;
    dst = vis;
    const OverlayAlignment& a = in.alignment;
    if ((a.caps & kCapsAlignBoundarySrc) && a.boundary_src != 0) {
        src.left -= static_cast<LONG>(static_cast<std::uint32_t>(src.left) % a.boundary_src);
    }
    if ((a.caps & kCapsAlignSizeSrc) && a.size_src != 0) {
        src.right -= static_cast<LONG>(static_cast<std::uint32_t>(src.right - src.left) % a.size_src);
    }
    if ((a.caps & kCapsAlignBoundaryDest) && a.boundary_dest != 0) {
        dst.left -= static_cast<LONG>(static_cast<std::uint32_t>(dst.left) % a.boundary_dest);
    }
    if ((a.caps & kCapsAlignSizeDest) && a.size_dest != 0) {
        dst.right -= static_cast<LONG>(static_cast<std::uint32_t>(dst.right - dst.left) % a.size_dest);
    }
    if (dst.right - dst.left <= 0) out.show = 0;
    if (out.show) {
        out.source = src;
        out.destination = dst;
    }
    return out;
}

bool OverlayPlacementChanged(const OverlayRects& cached, const OverlayRects& next) {
    if (!next.show) return true;  // a hide is always sent
    auto same = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    return cached.show != next.show || !same(cached.source, next.source) ||
           !same(cached.destination, next.destination);
}

int PlaceMovieOverlay(int /*x*/, int /*y*/, int /*scale*/, int movie, int /*show*/) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    // Only a movie in overlay mode with a collected frame is placed; none can be here.
    return 0;
}

int RefreshMovieOverlays() { return 0; }
