// The door between the DirectDraw stand-in (platform/video/) and the 3-D stand-in over
// OpenGL (platform/opengl/): the DirectDraw object hands the 3-D stand-in the surfaces
// that belong in video memory and asks it for the Direct3D object; the surface code
// reads video-memory surfaces it is given as copy sources.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw.h"

namespace display {
class SurfaceCommon;
struct PixelView;
}

namespace gl_backend {

// Whether a surface of these caps belongs in video memory: textures, 3-D device targets,
// depth buffers and surfaces asked for in video memory, unless asked for in system memory
// or as overlays.
bool BelongsInVideoMemory(const DDSCAPS2& caps);

// Whether a GL context can be made here (so that video memory exists).
bool VideoMemoryAvailable();

// A surface in GL storage (with `back_count` back buffers behind a flipping primary).
// DDERR_OUTOFVIDEOMEMORY when no GL context can be made, DDERR_INVALIDPIXELFORMAT for a
// layout GL storage does not hold; the caller then keeps to system memory.
HRESULT CreateVideoSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format,
                           const DDSCAPS2& caps, int back_count, IDirectDrawSurface7** surface);

// A video-memory surface in a YUV FourCC layout (YV12, YUY2, UYVY; platform/opengl/
// yuv_surface.h): DDERR_INVALIDPIXELFORMAT for another FourCC or caps it cannot have (a
// texture, 3-D target, primary, overlay, system memory), DDERR_INVALIDPARAMS for an odd
// width (YV12: or height), DDERR_OUTOFVIDEOMEMORY when no GL context can be made.
HRESULT CreateYuvSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format,
                         const DDSCAPS2& caps, IDirectDrawSurface7** surface);

// Whether the interface is one of the YUV surfaces.
bool IsYuvSurface(IDirectDrawSurface7* surface);

// Converts `source_rect` (null: all) of the YUV surface `source` on the GPU onto
// `destination` of pixels in memory (stretched nearest-neighbour), writing only `drawn`,
// each colour packed into the view's layout. DDERR_INVALIDRECT for a source rectangle not
// inside the surface, DDERR_INVALIDPIXELFORMAT for a view without colour channels (a depth
// buffer), DDERR_SURFACEBUSY or DDERR_SURFACELOST for a source locked or lost.
HRESULT ConvertYuvIntoPixels(IDirectDrawSurface7* source, const RECT* source_rect, const display::PixelView& target,
                             const RECT& destination, const RECT& drawn);

// The Direct3D object for IID_IDirect3D7; E_NOINTERFACE when no GL context can be made.
HRESULT CreateDirect3D(IDirectDraw7* owner, void** object);

// Whether the interface is one of the video-memory surfaces.
bool IsVideoSurface(IDirectDrawSurface7* surface);
// The video-memory surface behind an interface, or null.
display::SurfaceCommon* VideoSurfaceCommon(IDirectDrawSurface7* surface);

// Every video-memory surface reports DDERR_SURFACELOST until restored.
void MarkAllVideoSurfacesLost();

}  // namespace gl_backend
