// Overlay surfaces: which overlays are shown over which primary, at which rectangles, and
// how the presenters draw them over the primary's picture. An overlay shown holds a
// reference to its primary until it is hidden or goes. The capabilities the display
// reports for overlays: stretching from 1/1000 to 20 times (nothing here refuses more),
// no alignment asked (a test can ask for some). UYVY and YUY2 overlays are converted to
// RGB on the GPU as they are drawn. Every UpdateOverlay call can be recorded for tests.
#include "platform/video/overlay_surface.h"

#include <algorithm>
#include <vector>

#include "platform/opengl/gl_backend.h"
#include "platform/overlay_hooks.h"
#include "platform/video/ddraw_objects.h"

namespace display {
namespace {

// Whether the display offers overlays when no test says otherwise: no. An overlay shows
// only over a DirectDraw primary, which the engine makes only when it runs Direct3D; on
// its software screen (GDI output, where GL is missing or runs on the CPU) there is no
// primary, and a movie opened as an overlay would never be seen. Without the offer such a
// movie plays as 24-bit RGB or plain frames and is drawn like any other movie graph.
constexpr bool kOverlaysOfferedByDefault = false;

platform_hooks::OverlayOffer g_offer{kOverlaysOfferedByDefault, 0, 0, 0, 0, 0};

struct ShownOverlay {
    SurfaceCommon* overlay;
    SurfaceCommon* primary;  // referenced
    RECT source;
    RECT destination;  // primary (screen) coordinates
};
std::vector<ShownOverlay> g_shown;
std::vector<SurfaceCommon*> g_overlays;  // every live overlay surface

bool g_recording = false;
std::vector<platform_hooks::OverlayUpdate> g_updates;

HRESULT Record(const RECT* source, bool to_primary, const RECT* destination, DWORD flags, HRESULT result) {
    if (!g_recording) return result;
    platform_hooks::OverlayUpdate update{};
    update.has_source = source != nullptr;
    if (source != nullptr) update.source = *source;
    update.to_primary = to_primary;
    update.has_destination = destination != nullptr;
    if (destination != nullptr) update.destination = *destination;
    update.flags = flags;
    update.result = result;
    g_updates.push_back(update);
    return result;
}

std::vector<ShownOverlay>::iterator FindShown(const SurfaceCommon* overlay) {
    return std::find_if(g_shown.begin(), g_shown.end(), [overlay](const ShownOverlay& s) { return s.overlay == overlay; });
}

// Takes the overlay off the screen; the primary it was over shows its picture without it.
void Hide(SurfaceCommon* overlay) {
    const auto found = FindShown(overlay);
    if (found == g_shown.end()) return;
    SurfaceCommon* primary = found->primary;
    g_shown.erase(found);
    primary->PresentAgain();
    primary->Release();
}

// The primary behind an interface: a system-memory or a video-memory surface that is a
// primary; null for anything else.
SurfaceCommon* PrimaryOf(IDirectDrawSurface7* surface) {
    if (surface == nullptr) return nullptr;
    SurfaceCommon* common = gl_backend::VideoSurfaceCommon(surface);
    if (common == nullptr) common = LiveSurfaceObject(surface);
    return common != nullptr && common->is_primary() ? common : nullptr;
}

// The 32-bit picture view over `pixels`, `w` x `h`.
PixelView XrgbView(std::vector<std::uint8_t>& pixels, int w, int h) {
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    return XrgbPixelView(pixels.data(), w, h);
}

// A 16-bit overlay: its source pixels widened once into 32 bits, then scaled into the
// picture, which then copies pixels of its own layout.
void DrawRgbOverlay(HWND window, const PixelView& overlay, const RECT& source, const RECT& at) {
    const int w = source.right - source.left;
    const int h = source.bottom - source.top;
    std::vector<std::uint8_t> pixels;
    const PixelView view = XrgbView(pixels, w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(view.pixels + static_cast<std::ptrdiff_t>(y) * view.pitch);
        for (int x = 0; x < w; ++x) row[x] = ReadPixelRgb(overlay, source.left + x, source.top + y);
    }
    DrawIntoWindowPicture(window, at, view, RECT{0, 0, w, h});
}

// A YUV overlay converted to RGB on the GPU at its size on the screen, then drawn.
void DrawYuvOverlay(HWND window, SurfaceCommon* overlay, const RECT& source, const RECT& at) {
    const int w = at.right - at.left;
    const int h = at.bottom - at.top;
    std::vector<std::uint8_t> pixels;
    const PixelView view = XrgbView(pixels, w, h);
    const RECT whole{0, 0, w, h};
    if (gl_backend::ConvertYuvIntoPixels(overlay, &source, view, whole, whole) != DD_OK) return;
    DrawIntoWindowPicture(window, at, view, whole);
}

}  // namespace

bool OverlaysOffered() { return g_offer.offered; }

bool IsYuvOverlayFormat(const DDPIXELFORMAT& format) {
    return (format.dwFlags & DDPF_FOURCC) != 0 &&
           (format.dwFourCC == MakeFourCC('U', 'Y', 'V', 'Y') || format.dwFourCC == MakeFourCC('Y', 'U', 'Y', '2'));
}

void RegisterOverlaySurface(SurfaceCommon* surface) {
    surface->MarkOverlay();
    g_overlays.push_back(surface);
}

bool IsOverlaySurface(const SurfaceCommon* surface) {
    return std::find(g_overlays.begin(), g_overlays.end(), surface) != g_overlays.end();
}

bool IsRgbOverlayFormat(const DDPIXELFORMAT& format) {
    if ((format.dwFlags & DDPF_RGB) == 0 || (format.dwFlags & DDPF_FOURCC) != 0 || format.dwRGBBitCount != 16) {
        return false;
    }
    const bool is555 = format.dwRBitMask == 0x7C00 && format.dwGBitMask == 0x03E0 && format.dwBBitMask == 0x001F;
    const bool is565 = format.dwRBitMask == 0xF800 && format.dwGBitMask == 0x07E0 && format.dwBBitMask == 0x001F;
    return is555 || is565;
}

void AddOverlayCaps(DDCAPS* caps) {
    caps->dwCaps |= DDCAPS_OVERLAY | DDCAPS_OVERLAYFOURCC | DDCAPS_OVERLAYSTRETCH | g_offer.align_caps;
    caps->dwMinOverlayStretch = 1;
    caps->dwMaxOverlayStretch = 20000;
    caps->dwMaxVisibleOverlays = 16;
    caps->dwCurrVisibleOverlays = static_cast<DWORD>(g_shown.size());
    caps->dwAlignBoundarySrc = g_offer.align_boundary_src;
    caps->dwAlignSizeSrc = g_offer.align_size_src;
    caps->dwAlignBoundaryDest = g_offer.align_boundary_dest;
    caps->dwAlignSizeDest = g_offer.align_size_dest;
}

HRESULT UpdateOverlayOf(SurfaceCommon* overlay, const RECT* source_rect, IDirectDrawSurface7* destination,
                        const RECT* destination_rect, DWORD flags) {
    SurfaceCommon* primary = PrimaryOf(destination);
    const bool to_primary = primary != nullptr;
    const bool show = (flags & DDOVER_SHOW) != 0;
    const bool hide = (flags & DDOVER_HIDE) != 0;
    if (show == hide) return Record(source_rect, to_primary, destination_rect, flags, DDERR_INVALIDPARAMS);
    if (hide) {
        Hide(overlay);
        return Record(source_rect, to_primary, destination_rect, flags, DD_OK);
    }
    if (primary == nullptr) return Record(source_rect, to_primary, destination_rect, flags, DDERR_INVALIDSURFACETYPE);
    const RECT source = source_rect != nullptr ? *source_rect : RECT{0, 0, overlay->width(), overlay->height()};
    const RECT target =
        destination_rect != nullptr ? *destination_rect : RECT{0, 0, primary->width(), primary->height()};
    if (!RectInside(source, overlay->width(), overlay->height()) || IsEmpty(target)) {
        return Record(source_rect, to_primary, destination_rect, flags, DDERR_INVALIDRECT);
    }
    auto found = FindShown(overlay);
    SurfaceCommon* before = nullptr;
    primary->AddRef();
    if (found == g_shown.end()) {
        g_shown.push_back(ShownOverlay{overlay, primary, source, target});
    } else {
        before = found->primary;
        *found = ShownOverlay{overlay, primary, source, target};
    }
    if (before != nullptr && before != primary) before->PresentAgain();
    if (before != nullptr) before->Release();
    primary->PresentAgain();
    return Record(source_rect, to_primary, destination_rect, flags, DD_OK);
}

void OverlayChanged(SurfaceCommon* overlay) {
    const auto found = FindShown(overlay);
    if (found != g_shown.end()) found->primary->PresentAgain();
}

void ForgetOverlay(SurfaceCommon* overlay) {
    const auto found = std::find(g_overlays.begin(), g_overlays.end(), overlay);
    if (found == g_overlays.end()) return;
    g_overlays.erase(found);
    Hide(overlay);
}

bool AnyOverlayShownOver(const SurfaceCommon* primary) {
    return std::any_of(g_shown.begin(), g_shown.end(), [primary](const ShownOverlay& s) { return s.primary == primary; });
}

void CompositeOverlays(const SurfaceCommon* primary, HWND window, const RECT& shown, const RECT& destination) {
    const double sw = shown.right - shown.left;
    const double sh = shown.bottom - shown.top;
    if (sw <= 0 || sh <= 0) return;
    const double fx = (destination.right - destination.left) / sw;
    const double fy = (destination.bottom - destination.top) / sh;
    auto map_x = [&](LONG x) { return static_cast<LONG>(destination.left + (x - shown.left) * fx + 0.5); };
    auto map_y = [&](LONG y) { return static_cast<LONG>(destination.top + (y - shown.top) * fy + 0.5); };
    for (const ShownOverlay& s : g_shown) {
        if (s.primary != primary || s.overlay->IsLost() != DD_OK) continue;
        const RECT at{map_x(s.destination.left), map_y(s.destination.top), map_x(s.destination.right),
                      map_y(s.destination.bottom)};
        // The picture keeps to its own bounds, with the mapping of the whole rectangle.
        if (SurfaceObject* rgb = LiveSurfaceObject(s.overlay)) {
            DrawRgbOverlay(window, rgb->View(), s.source, at);
        } else {
            DrawYuvOverlay(window, s.overlay, s.source, at);
        }
    }
}

}  // namespace display

namespace platform_hooks {

void SetOverlayOffer(const OverlayOffer& offer) { display::g_offer = offer; }
void ResetOverlayOffer() { display::g_offer = OverlayOffer{display::kOverlaysOfferedByDefault, 0, 0, 0, 0, 0}; }

void SetOverlayUpdateRecording(bool on) {
    display::g_recording = on;
    display::g_updates.clear();
}

std::vector<OverlayUpdate> TakeOverlayUpdates() {
    std::vector<OverlayUpdate> taken;
    taken.swap(display::g_updates);
    return taken;
}

}  // namespace platform_hooks
