// Overlay placement for movies shown in an overlay surface: the source and destination
// rectangles of a placement at (x, y) magnified by an integer scale, clipped to what the
// window shows, trimmed in source pixels and aligned as the hardware asks; the placement
// sent with UpdateOverlay only when it changed (a hide always), and kept in the record so
// that the message loop can place every overlay again while the game does not draw.
// Relies on the display hooks of the movie room, the shell's client area and the
// window's device context.
#include "engine/movie/overlay_placement.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/movie/movie_record.h"
#include "platform/window.h"

namespace {

// Rectangles in 64 bits: a far-off position magnified by a large scale stays exact until
// it is clipped to the client area.
struct WideRect {
    long long left, top, right, bottom;
};

void ClipRect(WideRect* a, const WideRect& b) {
    if (a->right < a->left) a->right = a->left;
    if (a->bottom < a->top) a->bottom = a->top;
    auto clamp = [](long long v, long long lo, long long hi) { return v < lo ? lo : v > hi ? hi : v; };
    a->left = clamp(a->left, b.left, b.right);
    a->right = clamp(a->right, b.left, b.right);
    a->top = clamp(a->top, b.top, b.bottom);
    a->bottom = clamp(a->bottom, b.top, b.bottom);
}

WideRect Wide(const RECT& r) { return WideRect{r.left, r.top, r.right, r.bottom}; }
RECT Narrow(const WideRect& r) {
    return RECT{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
                static_cast<LONG>(r.bottom)};
}

// What is left of `value` after taking away its remainder by `alignment` (unsigned, as
// the hardware counts).
long long AlignDown(long long value, std::uint32_t alignment) {
    return value - static_cast<std::uint32_t>(value) % alignment;
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
    const long long scale = in.scale;
    WideRect src{0, 0, in.width, in.height};
    WideRect dst{in.x, in.y, in.x + in.width * scale, in.y + in.height * scale};
    WideRect vis = dst;
    if (in.window_mode) {
        if (in.clip_region == kClipRegionNull || in.clip_region == kClipRegionComplex) out.show = 0;
        if (in.clip_region == kClipRegionSimple) ClipRect(&vis, Wide(in.clip_box));
    }
    const WideRect client = Wide(in.client);
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
    if (vis.left > dst.left) src.left += (vis.left - dst.left) / scale;
    if (vis.right < dst.right) src.right -= (dst.right - vis.right) / scale;
    if (vis.top > dst.top) src.top += (vis.top - dst.top) / scale;
    if (vis.bottom < dst.bottom) src.bottom -= (dst.bottom - vis.bottom) / scale;
    dst = vis;
    const OverlayAlignment& a = in.alignment;
    if ((a.caps & kCapsAlignBoundarySrc) && a.boundary_src != 0) src.left = AlignDown(src.left, a.boundary_src);
    if ((a.caps & kCapsAlignSizeSrc) && a.size_src != 0) {
        src.right = src.left + AlignDown(src.right - src.left, a.size_src);
    }
    if ((a.caps & kCapsAlignBoundaryDest) && a.boundary_dest != 0) dst.left = AlignDown(dst.left, a.boundary_dest);
    if ((a.caps & kCapsAlignSizeDest) && a.size_dest != 0) {
        dst.right = dst.left + AlignDown(dst.right - dst.left, a.size_dest);
    }
    if (dst.right - dst.left <= 0) out.show = 0;
    if (out.show) {
        out.source = Narrow(src);
        out.destination = Narrow(dst);
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

namespace {

OverlayRects CachedRects(const OverlayPlacement& cached) {
    return OverlayRects{cached.show, cached.source, cached.destination};
}

// What the window shows of its client area: the clip box of the main window's device
// context in window mode (none without a context).
void ReadClipBox(OverlayPlacementInput* in) {
    in->clip_region = kClipRegionNone;
    if (!in->window_mode) return;
    const HWND window = GetSystemBlock()->settings.main_window;
    const HDC dc = GetDC(window);
    if (dc == nullptr) return;
    in->clip_region = GetClipBox(dc, &in->clip_box);
    ReleaseDC(window, dc);
}

OverlayAlignment ReadAlignment() {
    std::uint32_t words[sizeof(DDCAPS) / 4] = {};
    GetMovieDisplayHooks()->copy_direct_draw_caps(words);
    DDCAPS caps;
    std::memcpy(&caps, words, sizeof caps);
    return OverlayAlignment{caps.dwCaps, caps.dwAlignBoundarySrc, caps.dwAlignSizeSrc, caps.dwAlignBoundaryDest,
                            caps.dwAlignSizeDest};
}

}  // namespace

int PlaceMovieOverlay(int x, int y, int scale, int movie, int show) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    // Only a movie in overlay mode whose first frame is in its surface is placed.
    if (record->surface_mode != 1 || !record->frame_ready || record->overlay_surface == nullptr) return 0;
    OverlayPlacementInput in{};
    in.x = x;
    in.y = y;
    in.scale = scale;
    in.show = show;
    in.width = record->width;
    in.height = record->height;
    in.window_mode = GetSystemBlock()->settings.window_mode;
    ReadClipBox(&in);
    GetShellHooks()->get_screen_client_rect(&in.client);
    in.alignment = ReadAlignment();
    OverlayRects next = ComputeOverlayPlacement(in);
    IDirectDrawSurface7* front = GetMovieDisplayHooks()->get_front_surface();
    if (!next.show) {
        record->overlay_surface->UpdateOverlay(nullptr, front, nullptr, DDOVER_HIDE, nullptr);
    } else if (OverlayPlacementChanged(CachedRects(record->overlay), next)) {
        record->overlay_surface->UpdateOverlay(&next.source, front, &next.destination, DDOVER_SHOW, nullptr);
    }
    record->overlay = OverlayPlacement{x, y, scale, next.show, next.source, next.destination};
    return 0;
}

int RefreshMovieOverlays() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        const MovieRecord* record = MovieRecordOfSlot(slot);
        if (record == nullptr || record->theora_flag || record->surface_mode != 1) continue;
        const OverlayPlacement cached = record->overlay;
        PlaceMovieOverlay(cached.x, cached.y, cached.scale, MakeHandleValue(kHandleKindMovie, record->check, slot),
                          cached.show);
    }
    return 0;
}

void HideMovieOverlay(MovieRecord* record) {
    if (record->surface_mode != 1 || record->overlay_surface == nullptr) return;
    record->overlay_surface->UpdateOverlay(nullptr, GetMovieDisplayHooks()->get_front_surface(), nullptr, DDOVER_HIDE,
                                           nullptr);
}

int IsMovieOverlay(int movie) {
    const MovieRecord* record = LookupMovie(movie);
    return record != nullptr && !record->theora_flag && record->surface_mode == 1 ? 1 : 0;
}
