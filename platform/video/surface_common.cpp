// The part every DirectDraw surface shares: reference counting, the surface description,
// caps and pixel format, the source colour key, the clipper, lock and device-context
// bookkeeping, and the rectangles of locks and copies. What holds the pixels and when
// they are lost is the surface kind's (its StorageLost); the back-buffer count of the
// description is the flip chain's (platform/video/surface_chain.h).
#include "platform/video/surface_common.h"

#include <algorithm>
#include <cstring>

#include "platform/video/display_internal.h"
#include "platform/video/overlay_surface.h"
#include "platform/window.h"

namespace display {

int PaddedPitch(int width, int bytes_per_pixel) {
    const int row = width * bytes_per_pixel;
    return ((row + 31) & ~31) + 32;
}

bool RectInside(const RECT& rect, int width, int height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           rect.right <= width && rect.bottom <= height;
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool ClientScreenRect(HWND window, RECT* rect) {
    RECT client;
    if (window == nullptr || !GetClientRect(window, &client)) return false;
    POINT origin{0, 0};
    if (!ClientToScreen(window, &origin)) return false;
    *rect = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return true;
}

SurfaceCommon::SurfaceCommon(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format,
                             int bytes_per_pixel, const DDSCAPS2& caps)
    : owner_(owner),
      width_(width),
      height_(height),
      bytes_per_pixel_(bytes_per_pixel),
      pixel_format_(format),
      caps_(caps),
      pitch_(PaddedPitch(width, bytes_per_pixel)) {
    pixel_format_.dwSize = sizeof(DDPIXELFORMAT);
    owner_->AddRef();
}

SurfaceCommon::~SurfaceCommon() {
    ForgetOverlay(this);
    if (clipper_ != nullptr) clipper_->Release();
    owner_->Release();
}

HRESULT SurfaceCommon::QueryInterface(REFIID iid, void** object) {
    return QueryOneInterface<IDirectDrawSurface7>(this, iid, IID_IDirectDrawSurface7, object);
}

ULONG SurfaceCommon::AddRef() { return ++refs_; }

ULONG SurfaceCommon::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT SurfaceCommon::UsableResult() const {
    if (StorageLost()) return DDERR_SURFACELOST;
    if (locked_ || dc_ != nullptr) return DDERR_SURFACEBUSY;
    return DD_OK;
}

HRESULT SurfaceCommon::UpdateOverlay(RECT* source_rect, IDirectDrawSurface7* destination, RECT* destination_rect,
                                     DWORD flags, void*) {
    if (!IsOverlaySurface(this)) return DDERR_NOTAOVERLAYSURFACE;
    return UpdateOverlayOf(this, source_rect, destination, destination_rect, flags);
}

HRESULT SurfaceCommon::IsLost() { return StorageLost() ? DDERR_SURFACELOST : DD_OK; }

HRESULT SurfaceCommon::GetCaps(DDSCAPS2* caps) {
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    *caps = caps_;
    return DD_OK;
}

HRESULT SurfaceCommon::GetPixelFormat(DDPIXELFORMAT* format) {
    if (format == nullptr) return DDERR_INVALIDPARAMS;
    *format = pixel_format_;
    return DD_OK;
}

HRESULT SurfaceCommon::GetSurfaceDesc(DDSURFACEDESC2* description) {
    if (description == nullptr) return DDERR_INVALIDPARAMS;
    std::memset(description, 0, sizeof(*description));
    description->dwSize = sizeof(*description);
    description->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    description->dwWidth = static_cast<DWORD>(width_);
    description->dwHeight = static_cast<DWORD>(height_);
    description->lPitch = pitch_;
    description->ddpfPixelFormat = pixel_format_;
    description->ddsCaps = caps_;
    if (has_source_key_) {
        description->dwFlags |= DDSD_CKSRCBLT;
        description->ddckCKSrcBlt = source_key_;
    }
    return DD_OK;
}

HRESULT SurfaceCommon::SetClipper(IDirectDrawClipper* clipper) {
    if (clipper != nullptr) clipper->AddRef();
    if (clipper_ != nullptr) clipper_->Release();
    clipper_ = clipper;
    return DD_OK;
}

HRESULT SurfaceCommon::GetClipper(IDirectDrawClipper** clipper) {
    if (clipper == nullptr) return DDERR_INVALIDPARAMS;
    *clipper = clipper_;
    if (clipper_ == nullptr) return DDERR_NOTFOUND;
    clipper_->AddRef();
    return DD_OK;
}

HWND SurfaceCommon::ClipWindow() const {
    HWND window = nullptr;
    if (clipper_ != nullptr) clipper_->GetHWnd(&window);
    return window;
}

HWND SurfaceCommon::ShownWindow() const {
    const HWND window = ClipWindow();
    return window != nullptr ? window : DirectDrawWindow(owner_);
}

HRESULT SurfaceCommon::SetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (flags != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
    if (key == nullptr) {
        has_source_key_ = false;
        return DD_OK;
    }
    source_key_ = *key;
    has_source_key_ = true;
    return DD_OK;
}

HRESULT SurfaceCommon::GetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (key == nullptr || flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    if (!has_source_key_) return DDERR_NOCOLORKEY;
    *key = source_key_;
    return DD_OK;
}

HRESULT SurfaceCommon::BeginLock(DDSURFACEDESC2* description) const {
    if (description == nullptr) return DDERR_INVALIDPARAMS;
    description->lpSurface = nullptr;
    return UsableResult();
}

bool SurfaceCommon::LockArea(const RECT* rect, RECT* area) const {
    *area = RECT{0, 0, width_, height_};
    if (rect == nullptr) return true;
    if (!RectInside(*rect, width_, height_)) return false;
    *area = *rect;
    return true;
}

void SurfaceCommon::FinishLock(DDSURFACEDESC2* description, void* first) {
    GetSurfaceDesc(description);
    description->dwFlags |= DDSD_LPSURFACE;
    description->lpSurface = first;
    locked_ = true;
}

HRESULT SurfaceCommon::BeginGetDC(HDC* dc) const {
    if (dc == nullptr) return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    return UsableResult();
}

bool SurfaceCommon::EndDC(HDC dc) {
    if (dc_ == nullptr || dc != dc_) return false;
    DeletePixelTargetDC(dc_);
    dc_ = nullptr;
    return true;
}

HRESULT SurfaceCommon::BltArea(const RECT* destination_rect, RECT* destination, RECT* drawn) const {
    const RECT whole{0, 0, width_, height_};
    *destination = destination_rect != nullptr ? *destination_rect : whole;
    if (destination->right <= destination->left || destination->bottom <= destination->top) return DDERR_INVALIDRECT;
    RECT clip = whole;
    const HWND clip_window = ClipWindow();
    if (clip_window != nullptr) {
        RECT client;
        if (!ClientScreenRect(clip_window, &client)) return DDERR_INVALIDPARAMS;
        clip = Intersect(client, whole);
    } else if (!RectInside(*destination, width_, height_)) {
        return DDERR_INVALIDRECT;
    }
    *drawn = Intersect(*destination, clip);
    return DD_OK;
}

bool SurfaceCommon::SourceArea(const RECT* source_rect, int source_width, int source_height, RECT* from) {
    *from = source_rect != nullptr ? *source_rect : RECT{0, 0, source_width, source_height};
    return RectInside(*from, source_width, source_height);
}

HRESULT SurfaceCommon::FastCopyArea(DWORD x, DWORD y, const RECT* source_rect, int source_width, int source_height,
                                    RECT* from) const {
    if (!SourceArea(source_rect, source_width, source_height, from)) return DDERR_INVALIDRECT;
    const long long w = from->right - from->left;
    const long long h = from->bottom - from->top;
    if (x > 0x7FFFFFFFu || y > 0x7FFFFFFFu || static_cast<long long>(x) + w > width_ ||
        static_cast<long long>(y) + h > height_) {
        return DDERR_INVALIDRECT;
    }
    return DD_OK;
}

}  // namespace display
