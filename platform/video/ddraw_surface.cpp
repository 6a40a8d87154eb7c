// Surfaces of the display stand-in: system memory with a padded row pitch, locks that
// hand out the rectangle's first byte and the full pitch, colour and depth fills with raw
// values, stretched and keyed copies, a flip chain that swaps memory, attachments, device
// contexts, lost surfaces and Restore. A primary surface is the screen: whatever changes
// it is shown in its window through the window picture. What all surfaces share
// (description, colour key, clipper, the rectangles of locks and copies) is
// platform/video/surface_common.cpp's.
#include <algorithm>
#include <cstring>

#include "platform/opengl/gl_backend.h"
#include "platform/video/ddraw_objects.h"
#include "platform/video/overlay_surface.h"

namespace display {
namespace {

int g_lock_successes_left = -1;  // -1: no lock is made to fail

std::vector<SurfaceObject*>& LiveSurfaces() {
    static std::vector<SurfaceObject*> surfaces;
    return surfaces;
}

}  // namespace

void RegisterSurface(SurfaceObject* surface) { LiveSurfaces().push_back(surface); }

void UnregisterSurface(SurfaceObject* surface) {
    auto& surfaces = LiveSurfaces();
    surfaces.erase(std::remove(surfaces.begin(), surfaces.end(), surface), surfaces.end());
}

SurfaceObject* LiveSurfaceObject(IDirectDrawSurface7* surface) {
    for (SurfaceObject* live : LiveSurfaces()) {
        if (static_cast<IDirectDrawSurface7*>(live) == surface) return live;
    }
    return nullptr;
}

void SetLockFailureAfter(int successes) { g_lock_successes_left = successes < 0 ? -1 : successes; }
bool LockRefusedByHook() { return g_lock_successes_left == 0; }
void CountLockForHook() {
    if (g_lock_successes_left > 0) --g_lock_successes_left;
}

void MakeAllSurfacesLost() {
    for (SurfaceObject* surface : LiveSurfaces()) surface->MarkLost();
    gl_backend::MarkAllVideoSurfacesLost();
}

// A system-memory copy of a video-memory surface (pixels and source key), for copies out
// of video memory; null when it cannot be read.
SurfaceObject* SurfaceObject::CopyOfVideoSurface(IDirectDrawSurface7* video) {
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    if (FAILED(video->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return nullptr;
    DDSCAPS2 caps{DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 0, 0, 0};
    auto* copy = new SurfaceObject(static_cast<DirectDrawObject*>(owner_), static_cast<int>(locked.dwWidth), static_cast<int>(locked.dwHeight),
                                   locked.ddpfPixelFormat, caps);
    const std::size_t row = static_cast<std::size_t>(copy->width_) * static_cast<std::size_t>(copy->bytes_per_pixel_);
    for (int y = 0; y < copy->height_; ++y) {
        std::memcpy(copy->memory_.data() + static_cast<std::ptrdiff_t>(y) * copy->pitch_,
                    static_cast<const std::uint8_t*>(locked.lpSurface) + static_cast<std::ptrdiff_t>(y) * locked.lPitch,
                    row);
    }
    video->Unlock(nullptr);
    DDCOLORKEY key{};
    if (SUCCEEDED(video->GetColorKey(DDCKEY_SRCBLT, &key))) copy->SetColorKey(DDCKEY_SRCBLT, &key);
    return copy;
}

SurfaceObject::SurfaceObject(DirectDrawObject* owner, int width, int height, const DDPIXELFORMAT& format,
                             const DDSCAPS2& caps)
    : SurfaceChain<SurfaceObject>(owner, width, height, format, static_cast<int>(format.dwRGBBitCount / 8), caps),
      memory_(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height), 0) {
    RegisterSurface(this);
}

SurfaceObject::~SurfaceObject() {
    UnregisterSurface(this);
    if (dc_ != nullptr) DeletePixelTargetDC(dc_);
    ReleaseAttached();
    if (palette_ != nullptr) palette_->Release();
}

PixelView SurfaceObject::View() {
    PixelView view;
    view.pixels = memory_.data();
    view.pitch = pitch_;
    view.width = width_;
    view.height = height_;
    view.bytes_per_pixel = bytes_per_pixel_;
    view.red_mask = pixel_format_.dwRBitMask;
    view.green_mask = pixel_format_.dwGBitMask;
    view.blue_mask = pixel_format_.dwBBitMask;
    view.palette = palette_ != nullptr ? palette_->entries() : nullptr;
    if ((caps_.dwCaps & DDSCAPS_ZBUFFER) != 0) {
        view.red_mask = view.green_mask = view.blue_mask = 0;
    }
    return view;
}

void SurfaceObject::PresentIfPrimary() {
    if (!is_primary()) return;
    const HWND window = ShownWindow();
    if (window == nullptr) return;
    RECT client;
    if (!ClientScreenRect(window, &client)) return;
    const RECT client_size{0, 0, client.right - client.left, client.bottom - client.top};
    if (DirectDrawExclusive(owner_)) {
        // Full screen: the whole display is the window's picture, scaled to fit.
        DrawIntoWindowPicture(window, client_size, View(), RECT{0, 0, width_, height_});
        CompositeOverlays(this, window, RECT{0, 0, width_, height_}, client_size);
    } else {
        DrawIntoWindowPicture(window, client_size, View(), client);
        CompositeOverlays(this, window, client, client_size);
    }
    ShowWindowPicture(window);
}

HRESULT SurfaceObject::AddAttachedSurface(IDirectDrawSurface7* surface) {
    if (surface == nullptr || gl_backend::IsVideoSurface(surface)) return DDERR_INVALIDPARAMS;
    auto* attached = static_cast<SurfaceObject*>(surface);
    if ((attached->caps_.dwCaps & DDSCAPS_ZBUFFER) == 0) return DDERR_INVALIDPARAMS;
    return AttachDepth(attached);  // only one depth buffer per surface
}

HRESULT SurfaceObject::Restore() {
    if (!lost_) return DD_OK;
    if (locked_ || dc_ != nullptr) return DDERR_SURFACEBUSY;
    std::fill(memory_.begin(), memory_.end(), 0);
    lost_ = false;
    return DD_OK;
}

HRESULT SurfaceObject::Lock(RECT* rect, DDSURFACEDESC2* description, DWORD, HANDLE) {
    const HRESULT usable = BeginLock(description);
    if (usable != DD_OK) return usable;
    if (g_lock_successes_left == 0) return DDERR_SURFACEBUSY;
    RECT area;
    if (!LockArea(rect, &area)) return DDERR_INVALIDRECT;
    FinishLock(description, memory_.data() + static_cast<std::ptrdiff_t>(area.top) * pitch_ +
                                static_cast<std::ptrdiff_t>(area.left) * bytes_per_pixel_);
    if (g_lock_successes_left > 0) --g_lock_successes_left;
    return DD_OK;
}

HRESULT SurfaceObject::Unlock(RECT*) {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    PresentIfPrimary();
    if ((caps_.dwCaps & DDSCAPS_OVERLAY) != 0) OverlayChanged(this);
    return DD_OK;
}


HRESULT SurfaceObject::GetDC(HDC* dc) {
    const HRESULT usable = BeginGetDC(dc);
    if (usable != DD_OK) return usable;
    if (bytes_per_pixel_ < 1 || (caps_.dwCaps & DDSCAPS_ZBUFFER) != 0) return DDERR_CANTCREATEDC;
    dc_ = CreatePixelTargetDC(this);
    if (dc_ == nullptr) return DDERR_CANTCREATEDC;
    *dc = dc_;
    return DD_OK;
}

HRESULT SurfaceObject::ReleaseDC(HDC dc) {
    return EndDC(dc) ? DD_OK : DDERR_NODC;
}

bool SurfaceObject::Pixels(PixelView* view) {
    if (lost_) return false;
    *view = View();
    return true;
}

void SurfaceObject::Changed(const RECT&) { PresentIfPrimary(); }

HRESULT SurfaceObject::SetPalette(IDirectDrawPalette* palette) {
    if (palette != nullptr && bytes_per_pixel_ != 1) return DDERR_NOTPALETTIZED;
    if (palette != nullptr) palette->AddRef();
    if (palette_ != nullptr) palette_->Release();
    palette_ = static_cast<PaletteObject*>(palette);
    return DD_OK;
}

HRESULT SurfaceObject::GetPalette(IDirectDrawPalette** palette) {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = palette_;
    if (palette_ == nullptr) return DDERR_NOTFOUND;
    palette_->AddRef();
    return DD_OK;
}

HRESULT SurfaceObject::Blt(RECT* destination_rect, IDirectDrawSurface7* source_interface, RECT* source_rect,
                           DWORD flags, DDBLTFX* effects) {
    HRESULT usable = UsableResult();
    if (usable != DD_OK) return usable;
    if (source_interface != nullptr && gl_backend::IsVideoSurface(source_interface)) {
        SurfaceObject* copy = CopyOfVideoSurface(source_interface);
        if (copy == nullptr) return DDERR_SURFACELOST;
        const HRESULT result = Blt(destination_rect, copy, source_rect, flags, effects);
        copy->Release();
        return result;
    }
    const bool fill = (flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL)) != 0;
    if (!fill && source_interface != nullptr && gl_backend::IsYuvSurface(source_interface)) {
        RECT destination, drawn;
        HRESULT result = BltArea(destination_rect, &destination, &drawn);
        if (result == DD_OK) {
            result = gl_backend::ConvertYuvIntoPixels(source_interface, source_rect, View(), destination, drawn);
        }
        if (result == DD_OK) PresentIfPrimary();
        return result;
    }
    auto* source = static_cast<SurfaceObject*>(source_interface);
    if (fill && effects == nullptr) return DDERR_INVALIDPARAMS;
    if (!fill && source == nullptr) return DDERR_INVALIDPARAMS;
    if (source != nullptr && source != this) {
        usable = source->UsableResult();
        if (usable != DD_OK) return usable;
    }

    RECT destination, drawn;
    const HRESULT area = BltArea(destination_rect, &destination, &drawn);
    if (area != DD_OK) return area;

    if (fill) {
        const DWORD value = (flags & DDBLT_DEPTHFILL) != 0 ? effects->dwFillDepth : effects->dwFillColor;
        for (LONG y = drawn.top; y < drawn.bottom; ++y) {
            std::uint8_t* row = memory_.data() + static_cast<std::ptrdiff_t>(y) * pitch_;
            for (LONG x = drawn.left; x < drawn.right; ++x) WriteRaw(row + x * bytes_per_pixel_, bytes_per_pixel_, value);
        }
    } else {
        RECT from;
        if (!SourceArea(source_rect, source->width_, source->height_, &from)) return DDERR_INVALIDRECT;
        if (source->bytes_per_pixel_ != bytes_per_pixel_) return DDERR_INVALIDPIXELFORMAT;
        if (!IsEmpty(drawn)) {
            // Draw into a view limited to the visible part; the mapping stays that of the
            // whole destination rectangle.
            PixelView target = View();
            target.pixels += static_cast<std::ptrdiff_t>(drawn.top) * pitch_ +
                             static_cast<std::ptrdiff_t>(drawn.left) * bytes_per_pixel_;
            target.width = drawn.right - drawn.left;
            target.height = drawn.bottom - drawn.top;
            const RECT moved{destination.left - drawn.left, destination.top - drawn.top,
                             destination.right - drawn.left, destination.bottom - drawn.top};
            if ((flags & DDBLT_KEYSRC) != 0 && source->has_source_key_) {
                // Keyed stretch: sample like the plain copy, skip key pixels.
                const long long dw = moved.right - moved.left, dh = moved.bottom - moved.top;
                const long long sw = from.right - from.left, sh = from.bottom - from.top;
                PixelView from_view = source->View();
                std::vector<std::uint8_t> snapshot;
                if (source == this) {
                    snapshot = memory_;
                    from_view.pixels = snapshot.data();
                }
                for (long long j = 0; j < dh; ++j) {
                    const long long ty = moved.top + j;
                    if (ty < 0 || ty >= target.height) continue;
                    const long long sy = from.top + (2 * j + 1) * sh / (2 * dh);
                    for (long long i = 0; i < dw; ++i) {
                        const long long tx = moved.left + i;
                        if (tx < 0 || tx >= target.width) continue;
                        const long long sx = from.left + (2 * i + 1) * sw / (2 * dw);
                        const std::uint8_t* at = from_view.pixels + sy * from_view.pitch + sx * bytes_per_pixel_;
                        const DWORD raw = ReadRaw(at, bytes_per_pixel_);
                        if (KeyHides(source->source_key_, raw)) continue;
                        std::memcpy(target.pixels + ty * target.pitch + tx * bytes_per_pixel_, at,
                                    static_cast<std::size_t>(bytes_per_pixel_));
                    }
                }
            } else {
                StretchCopy(target, moved, source->View(), from);
            }
        }
    }
    PresentIfPrimary();
    return DD_OK;
}

HRESULT SurfaceObject::BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source_interface, RECT* source_rect,
                               DWORD flags) {
    HRESULT usable = UsableResult();
    if (usable != DD_OK) return usable;
    if (source_interface != nullptr && gl_backend::IsVideoSurface(source_interface)) {
        SurfaceObject* copy = CopyOfVideoSurface(source_interface);
        if (copy == nullptr) return DDERR_SURFACELOST;
        const HRESULT result = BltFast(x, y, copy, source_rect, flags);
        copy->Release();
        return result;
    }
    if (source_interface != nullptr && gl_backend::IsYuvSurface(source_interface)) {
        DDSURFACEDESC2 described{};
        described.dwSize = sizeof(described);
        source_interface->GetSurfaceDesc(&described);
        RECT from;
        HRESULT result = FastCopyArea(x, y, source_rect, static_cast<int>(described.dwWidth),
                                      static_cast<int>(described.dwHeight), &from);
        const RECT to{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + (from.right - from.left)),
                      static_cast<LONG>(y + (from.bottom - from.top))};
        if (result == DD_OK) result = gl_backend::ConvertYuvIntoPixels(source_interface, &from, View(), to, to);
        if (result == DD_OK) PresentIfPrimary();
        return result;
    }
    auto* source = static_cast<SurfaceObject*>(source_interface);
    if (source == nullptr) return DDERR_INVALIDPARAMS;
    if (source != this) {
        usable = source->UsableResult();
        if (usable != DD_OK) return usable;
    }
    if (source->bytes_per_pixel_ != bytes_per_pixel_) return DDERR_INVALIDPIXELFORMAT;
    RECT from;
    const HRESULT area = FastCopyArea(x, y, source_rect, source->width_, source->height_, &from);
    if (area != DD_OK) return area;
    const long long w = from.right - from.left;
    const long long h = from.bottom - from.top;
    const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !source->has_source_key_) return DDERR_NOCOLORKEY;
    std::vector<std::uint8_t> snapshot;
    const std::uint8_t* from_base = source->memory_.data();
    if (source == this) {
        snapshot = memory_;
        from_base = snapshot.data();
    }
    const std::size_t row_bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(bytes_per_pixel_);
    for (long long j = 0; j < h; ++j) {
        const std::uint8_t* from_row = from_base + (from.top + j) * source->pitch_ + from.left * bytes_per_pixel_;
        std::uint8_t* to_row = memory_.data() + (static_cast<long long>(y) + j) * pitch_ +
                               static_cast<long long>(x) * bytes_per_pixel_;
        if (!keyed) {
            std::memcpy(to_row, from_row, row_bytes);
            continue;
        }
        for (long long i = 0; i < w; ++i) {
            const DWORD raw = ReadRaw(from_row + i * bytes_per_pixel_, bytes_per_pixel_);
            if (KeyHides(source->source_key_, raw)) continue;
            std::memcpy(to_row + i * bytes_per_pixel_, from_row + i * bytes_per_pixel_,
                        static_cast<std::size_t>(bytes_per_pixel_));
        }
    }
    PresentIfPrimary();
    return DD_OK;
}

}  // namespace display
