// Video-memory DirectDraw surfaces of the 3-D stand-in: a GL texture (colour or 16-bit
// depth) with a framebuffer over it. Locks read back and write back only the locked
// rectangle; fills clear a scissored rectangle; copies from GL surfaces run in GL, copies
// from system memory upload; a device context draws into a read-back copy of the surface
// that goes back when it is released; a lost context makes them lost until restored.
// What all surfaces share (description, colour key, clipper, the rectangles of locks and
// copies) is platform/video/surface_common.h's.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/gl_formats.h"
#include "platform/video/surface_chain.h"

namespace gl_backend {

class GlSurface final : public display::SurfaceChain<GlSurface>, public display::PixelTarget {
public:
    GlSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format, const GlPixelFormat& gl_format,
              const DDSCAPS2& caps);

    // The surface behind an interface, or null for one that is not a GL surface.
    static GlSurface* From(IDirectDrawSurface7* surface);

    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override;
    HRESULT Blt(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                DDBLTFX* effects) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags) override;
    // One device context at a time, over a copy of the pixels read back now; a depth
    // surface gives none (DDERR_CANTCREATEDC).
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPalette(IDirectDrawPalette** palette) override;
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE event) override;
    // Writes the copy back when GDI drew into it (and shows a primary), then frees it.
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;
    HRESULT SetPalette(IDirectDrawPalette* palette) override;
    HRESULT Unlock(RECT* rect) override;

    // PixelTarget: what the device context draws into (unavailable once the surface is lost).
    bool Pixels(display::PixelView* view) override;
    void Changed(const RECT& rect) override;

    // Made by CreateVideoSurface.
    bool CreateObjects();

    // For the device.
    bool Usable() const { return UsableResult() == DD_OK; }
    bool is_depth() const { return format_.depth; }
    bool is_texture() const { return (caps_.dwCaps & DDSCAPS_TEXTURE) != 0; }
    const GlPixelFormat& format() const { return format_; }
    GLuint texture() const { return texture_; }
    // The colour key applied to texels, as 0..1 channels; false without a key.
    bool SourceKeyUnit(float rgba[4]) const;
    // Binds the framebuffer (with the attached depth buffer when `with_depth`) for drawing.
    bool BindForDrawing(bool with_depth);
    // The primary's picture changed: show it in its window.
    void PresentIfPrimary();
    // Reads `shown` of the framebuffer back into the window's picture at `destination`
    // (client coordinates) and shows the picture (recorded by the frame capture).
    void CopyShownIntoPicture(HWND window, const RECT& shown, const RECT& destination);

    // Raw pixels of `rect` into rows `pitch` bytes apart.
    bool ReadRect(const RECT& rect, std::uint8_t* pixels, int pitch);
    bool WriteRect(const RECT& rect, const std::uint8_t* pixels, int pitch);

private:
    friend class display::SurfaceChain<GlSurface>;
    // Blt itself; the public one adds fills to the device call log.
    HRESULT BltUnlogged(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                        DDBLTFX* effects);
    ~GlSurface() override;
    bool StorageLost() const override;
    void SwapStorage(GlSurface* other);
    void DeleteObjects();
    bool BindForReading();
    HRESULT CopyFrom(const RECT& destination, const RECT& drawn, IDirectDrawSurface7* source, const RECT& from,
                     bool keyed);
    // Whether the device context's copy still belongs to the surface's live texture.
    bool DcCopyCurrent() const;
    // A view of pixels in this surface's format, `pitch` bytes apart.
    display::PixelView ViewOver(std::uint8_t* pixels, int pitch, int width, int height) const;

    GlPixelFormat format_;
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
    std::uint64_t serial_ = 0;          // of the texture (new each time objects are made)
    std::uint64_t attached_depth_ = 0;  // serial of the depth texture attached now, 0 none
    std::uint64_t generation_ = 0;
    bool holds_context_ = false;
    RECT lock_rect_{};
    DWORD lock_flags_ = 0;
    std::vector<std::uint8_t> shadow_;  // lock memory: the surface's size, only the locked rectangle read
    std::vector<std::uint8_t> shown_pixels_;  // a primary's frame read back for its window's picture
    std::vector<std::uint8_t> dc_pixels_;  // what the device context draws into, pitch_ apart
    std::uint64_t dc_serial_ = 0;          // serial of the texture the copy was read from
    bool dc_changed_ = false;
    HWND gl_window_ = nullptr;  // the window a primary shows through GL (borrowed from the picture presenter)
};

// What the creation of every video-memory surface (GL and YUV surfaces) shares: the caps
// asked for, with the video-memory bits a made surface reports.
DDSCAPS2 VideoMemoryCaps(const DDSCAPS2& caps);
// The end of a creation that held a context reference while it made the surface's GL
// objects: lets go of that reference (each surface holds its own), then hands `created`
// out when it was `made`; otherwise releases it (if there is one) and answers
// DDERR_OUTOFVIDEOMEMORY.
HRESULT HandOutVideoSurface(IDirectDrawSurface7* created, bool made, IDirectDrawSurface7** surface);

}  // namespace gl_backend
