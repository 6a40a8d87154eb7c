// Video-memory DirectDraw surfaces in the YUV FourCC layouts (YV12, YUY2, UYVY; see
// platform/opengl/yuv_conversion.h): the lock memory in the layout, kept for the life of
// the surface, and the picture's GL textures, uploaded at every Unlock that may have
// written. Copies from such a surface into an RGB surface (video memory, textures, or
// system memory) convert on the GPU; nothing is copied into one but through its lock.
// A lost context makes them lost until restored, as the other video-memory surfaces.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/opengl/gl_backend.h"
#include "platform/opengl/yuv_conversion.h"
#include "platform/video/display_internal.h"
#include "platform/video/surface_chain.h"

namespace gl_backend {

class GlSurface;

class YuvSurface final : public display::SurfaceChain<YuvSurface> {
public:
    YuvSurface(IDirectDraw7* owner, int width, int height, YuvLayout layout, const DDSCAPS2& caps);

    // The surface behind an interface, or null for one that is not a YUV surface.
    static YuvSurface* From(IDirectDrawSurface7* surface);

    // No attachments, copies into the surface, device contexts or palettes.
    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override;
    HRESULT Blt(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                DDBLTFX* effects) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPalette(IDirectDrawPalette** palette) override;
    // The memory in the layout: lpSurface is the rectangle's first Y byte (for YV12 in the
    // Y plane), lPitch the Y rows' pitch. A rectangle's left and right edges are even (for
    // YV12 its top and bottom too).
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE event) override;
    HRESULT ReleaseDC(HDC dc) override;
    // A new context's textures; the memory starts zero again.
    HRESULT Restore() override;
    HRESULT SetPalette(IDirectDrawPalette* palette) override;
    // Uploads the picture unless the lock was DDLOCK_READONLY.
    HRESULT Unlock(RECT* rect) override;

    // Made by CreateYuvSurface.
    bool CreateObjects();

    const YuvTextures& textures() const { return textures_; }
    YuvLayout layout() const { return layout_; }

private:
    friend class display::SurfaceChain<YuvSurface>;
    ~YuvSurface() override;
    bool StorageLost() const override;
    // Never a primary nor in a flip chain.
    void SwapStorage(YuvSurface*) {}
    void PresentIfPrimary() {}

    YuvLayout layout_;
    std::vector<std::uint8_t> memory_;
    YuvTextures textures_;
    bool holds_context_ = false;
    DWORD lock_flags_ = 0;
};

// Converts `from` of the YUV surface `source` onto `destination` of the video-memory
// surface `target` (stretched), writing only `drawn`: DDERR_INVALIDPIXELFORMAT for a depth
// surface, DDERR_SURFACEBUSY or DDERR_SURFACELOST for a source locked or lost.
HRESULT ConvertYuvIntoSurface(GlSurface* target, const RECT& destination, const RECT& drawn,
                              IDirectDrawSurface7* source, const RECT& from);

// Every YUV surface reports DDERR_SURFACELOST until restored.
void MarkAllYuvSurfacesLost();

// Test switch (platform/testing/yuv_surface_testing.h): the FourCCs CreateSurface takes;
// null or a count of -1 returns to the display's own rule (all three on a GPU, none where
// GL renders on the CPU). Returns the choice it replaces, for RestoreYuvFourCCChoice.
struct YuvFourCCChoice {
    bool chosen;  // a test's list holds, not the display's rule
    bool accepted[3];
};
YuvFourCCChoice SetAcceptedYuvFourCCs(const DWORD* fourccs, int count);
void RestoreYuvFourCCChoice(const YuvFourCCChoice& choice);

}  // namespace gl_backend
