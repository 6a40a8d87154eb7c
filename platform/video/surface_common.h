// What every DirectDraw surface of the display stand-in has alike, whatever holds its
// pixels: the reference count and the one interface it answers, its size, row pitch,
// pixel format and caps, the surface description, the lock and device-context
// bookkeeping, the source colour key, the clipper, and the rectangle rules of locks and
// copies. The system-memory surfaces (platform/video/ddraw_surface.cpp) and the
// video-memory ones (platform/opengl/gl_surface.cpp) derive from it through
// SurfaceChain; each says where its pixels are and when they are lost. Relies on
// platform/ddraw.h, and on platform/window.h for a window's client area on the screen.
#pragma once

#include "platform/ddraw.h"

namespace display {

// Rows are padded past the pixels, so code that assumes width x pixel size fails visibly.
int PaddedPitch(int width, int bytes_per_pixel);
bool RectInside(const RECT& rect, int width, int height);
RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);
// The client area of a window in screen coordinates.
bool ClientScreenRect(HWND window, RECT* rect);
// Whether a raw pixel value falls in a colour key's range (and is not drawn).
inline bool KeyHides(const DDCOLORKEY& key, DWORD raw) {
    return raw >= key.dwColorSpaceLowValue && raw <= key.dwColorSpaceHighValue;
}

class SurfaceCommon : public IDirectDrawSurface7 {
public:
    SurfaceCommon(const SurfaceCommon&) = delete;
    SurfaceCommon& operator=(const SurfaceCommon&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetCaps(DDSCAPS2* caps) override;
    HRESULT GetClipper(IDirectDrawClipper** clipper) override;
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override;
    HRESULT GetPixelFormat(DDPIXELFORMAT* format) override;
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* description) override;
    HRESULT IsLost() override;
    HRESULT SetClipper(IDirectDrawClipper* clipper) override;
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override;
    // Only overlay surfaces (platform/video/overlay_surface.cpp) answer it.
    HRESULT UpdateOverlay(RECT* source_rect, IDirectDrawSurface7* destination, RECT* destination_rect, DWORD flags,
                          void* effects) override;
    // Shows a primary's picture in its window again (an overlay over it changed); nothing
    // for other surfaces.
    virtual void PresentAgain() = 0;

    // DD_OK, DDERR_SURFACELOST or DDERR_SURFACEBUSY (locked, or a device context is out).
    HRESULT UsableResult() const;
    void MarkLost() { lost_ = true; }
    void MarkOverlay() { caps_.dwCaps |= DDSCAPS_OVERLAY; }
    bool is_primary() const { return (caps_.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0; }
    int width() const { return width_; }
    int height() const { return height_; }

protected:
    // Holds a reference to `owner` for the surface's life.
    SurfaceCommon(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format, int bytes_per_pixel,
                  const DDSCAPS2& caps);
    virtual ~SurfaceCommon();

    // Whether the pixels are gone (marked lost, or lost with what held them).
    virtual bool StorageLost() const = 0;

    // The clipper's window, or null without one.
    HWND ClipWindow() const;
    // The window a primary shows its picture in: the clipper's, else the cooperative level's.
    HWND ShownWindow() const;

    // The start of Lock: the description's pointer cleared, and whether the surface can be locked.
    HRESULT BeginLock(DDSURFACEDESC2* description) const;
    // The rectangle a lock covers: `rect`, or the whole surface without one; false for one
    // not inside the surface.
    bool LockArea(const RECT* rect, RECT* area) const;
    // The end of a successful Lock: the description of the surface, with `first`, the
    // locked rectangle's first byte.
    void FinishLock(DDSURFACEDESC2* description, void* first);
    // The start of GetDC: the handle cleared, and whether the surface can give one.
    HRESULT BeginGetDC(HDC* dc) const;
    // Deletes the device context `dc` when it is the surface's; false when it is not.
    bool EndDC(HDC dc);

    // Where a Blt lands: `destination` (the whole surface without one) and the part of it
    // that is drawn. With a clipper the destination is in screen coordinates, cut to the
    // window's client area; without one it must lie inside the surface.
    HRESULT BltArea(const RECT* destination_rect, RECT* destination, RECT* drawn) const;
    // The source rectangle of a copy: `source_rect`, or the whole source without one;
    // false for one not inside the source.
    static bool SourceArea(const RECT* source_rect, int source_width, int source_height, RECT* from);
    // The source rectangle of a BltFast to (x, y), which must land inside this surface.
    HRESULT FastCopyArea(DWORD x, DWORD y, const RECT* source_rect, int source_width, int source_height,
                         RECT* from) const;

    ULONG refs_ = 1;
    IDirectDraw7* owner_;
    int width_;
    int height_;
    int bytes_per_pixel_;
    DDPIXELFORMAT pixel_format_;
    DDSCAPS2 caps_;
    int pitch_;
    bool lost_ = false;
    bool locked_ = false;
    HDC dc_ = nullptr;
    bool has_source_key_ = false;
    DDCOLORKEY source_key_{};
    IDirectDrawClipper* clipper_ = nullptr;
};

}  // namespace display
