// YUV FourCC surfaces in video memory: creation, locks and their loss. The lock memory is
// the surface's picture as callers see it (a lock reads back what was written); the GL
// textures follow it at every Unlock. Copies out of them are platform/opengl/yuv_copies.cpp's.
#include "platform/opengl/yuv_surface.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/gl_surface.h"
#include "platform/opengl/renderer_on_cpu.h"
#include "platform/video/overlay_surface.h"

namespace gl_backend {
namespace {

std::unordered_map<IDirectDrawSurface7*, YuvSurface*>& LiveSurfaces() {
    static std::unordered_map<IDirectDrawSurface7*, YuvSurface*> surfaces;
    return surfaces;
}

// The FourCCs a test has chosen, by layout; without a choice the display's own rule holds
// (YuvFourCCsOffered).
bool g_test_choice = false;
bool g_accepted[3] = {true, true, true};

// Where GL renders on the CPU, converting a YUV picture in a shader costs more processor
// time than the engine's own table conversion into RGB pictures (measured: a 640x480
// movie drawn as a texture graph ran at 0.7 to 0.85 of the frame rate), so such a display
// offers no YUV surfaces and the engine takes its RGB path. On a GPU all three are taken.
bool YuvFourCCsOffered(YuvLayout layout) {
    return g_test_choice ? g_accepted[static_cast<int>(layout)] : !RendererOnCpu();
}

// Caps a YUV surface cannot have: it is an off-screen picture, not a texture, target,
// depth buffer, screen or overlay, and it has no system-memory form.
constexpr DWORD kRefusedCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER |
                               DDSCAPS_OVERLAY | DDSCAPS_PALETTE | DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY |
                               DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE | DDSCAPS_ZBUFFER | DDSCAPS_ALPHA;

DDPIXELFORMAT PixelFormatOf(YuvLayout layout) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(format);
    format.dwFlags = DDPF_FOURCC;
    format.dwFourCC = FourCCOf(layout);
    format.dwRGBBitCount = layout == YuvLayout::kYv12 ? 12 : 16;  // bits per pixel, on average
    return format;
}

}  // namespace

YuvFourCCChoice SetAcceptedYuvFourCCs(const DWORD* fourccs, int count) {
    YuvFourCCChoice before{g_test_choice, {g_accepted[0], g_accepted[1], g_accepted[2]}};
    g_test_choice = fourccs != nullptr && count >= 0;
    for (bool& accepted : g_accepted) accepted = false;
    for (int i = 0; g_test_choice && i < count; ++i) {
        YuvLayout layout;
        if (YuvLayoutOf(fourccs[i], &layout)) g_accepted[static_cast<int>(layout)] = true;
    }
    return before;
}

void RestoreYuvFourCCChoice(const YuvFourCCChoice& choice) {
    g_test_choice = choice.chosen;
    for (int i = 0; i < 3; ++i) g_accepted[i] = choice.accepted[i];
}

YuvSurface* YuvSurface::From(IDirectDrawSurface7* surface) {
    const auto found = LiveSurfaces().find(surface);
    return found != LiveSurfaces().end() ? found->second : nullptr;
}

bool IsYuvSurface(IDirectDrawSurface7* surface) { return YuvSurface::From(surface) != nullptr; }

void MarkAllYuvSurfacesLost() {
    for (auto& entry : LiveSurfaces()) entry.second->MarkLost();
}

YuvSurface::YuvSurface(IDirectDraw7* owner, int width, int height, YuvLayout layout, const DDSCAPS2& caps)
    : display::SurfaceChain<YuvSurface>(owner, width, height, PixelFormatOf(layout),
                                        layout == YuvLayout::kYv12 ? 1 : 2, caps),
      layout_(layout),
      memory_(YuvMemoryBytes(layout, height, pitch_), 0) {
    LiveSurfaces()[this] = this;
}

YuvSurface::~YuvSurface() {
    LiveSurfaces().erase(static_cast<IDirectDrawSurface7*>(this));
    ReleaseAttached();
    textures_.Delete();
    if (holds_context_) ReleaseContext();
}

bool YuvSurface::CreateObjects() {
    if (!holds_context_) {
        if (!AcquireContext()) return false;
        holds_context_ = true;
    }
    // New textures start from the memory (zero when new), not from GL's undefined contents.
    return textures_.Create(layout_, width_, height_) && textures_.Upload(memory_.data(), pitch_);
}

bool YuvSurface::StorageLost() const { return lost_ || !textures_.Live(); }

HRESULT YuvSurface::Restore() {
    if (IsLost() == DD_OK) return DD_OK;
    if (locked_) return DDERR_SURFACEBUSY;
    if (!RecoverContext()) return DDERR_SURFACELOST;
    std::fill(memory_.begin(), memory_.end(), 0);
    if (!CreateObjects()) return DDERR_SURFACELOST;
    lost_ = false;
    return DD_OK;
}

HRESULT YuvSurface::Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE) {
    const HRESULT usable = BeginLock(description);
    if (usable != DD_OK) return usable;
    if (display::LockRefusedByHook()) return DDERR_SURFACEBUSY;
    RECT area;
    if (!LockArea(rect, &area)) return DDERR_INVALIDRECT;
    // A pair of pixels shares its chroma (in YV12 a 2 x 2 block): a lock covers whole ones.
    const bool rows_paired = layout_ == YuvLayout::kYv12;
    if ((area.left & 1) != 0 || (area.right & 1) != 0 ||
        (rows_paired && ((area.top & 1) != 0 || (area.bottom & 1) != 0))) {
        return DDERR_INVALIDRECT;
    }
    FinishLock(description, memory_.data() + static_cast<std::ptrdiff_t>(area.top) * pitch_ +
                                static_cast<std::ptrdiff_t>(area.left) * bytes_per_pixel_);
    lock_flags_ = flags;
    display::CountLockForHook();
    return DD_OK;
}

HRESULT YuvSurface::Unlock(RECT*) {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    if ((lock_flags_ & DDLOCK_READONLY) != 0) return DD_OK;
    if (StorageLost()) return DDERR_SURFACELOST;
    if (!textures_.Upload(memory_.data(), pitch_)) return DDERR_SURFACELOST;
    display::OverlayChanged(this);  // a shown overlay shows the new picture
    return DD_OK;
}

HRESULT YuvSurface::AddAttachedSurface(IDirectDrawSurface7*) { return DDERR_INVALIDPARAMS; }

HRESULT YuvSurface::Blt(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDBLTFX*) {
    const HRESULT usable = UsableResult();
    return usable != DD_OK ? usable : DDERR_UNSUPPORTED;
}

HRESULT YuvSurface::BltFast(DWORD, DWORD, IDirectDrawSurface7*, RECT*, DWORD) {
    const HRESULT usable = UsableResult();
    return usable != DD_OK ? usable : DDERR_UNSUPPORTED;
}

HRESULT YuvSurface::GetDC(HDC* dc) {
    const HRESULT usable = BeginGetDC(dc);
    return usable != DD_OK ? usable : DDERR_CANTCREATEDC;
}

HRESULT YuvSurface::ReleaseDC(HDC) { return DDERR_NODC; }

HRESULT YuvSurface::SetPalette(IDirectDrawPalette* palette) {
    return palette == nullptr ? DD_OK : DDERR_NOTPALETTIZED;
}

HRESULT YuvSurface::GetPalette(IDirectDrawPalette** palette) {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    return DDERR_NOTFOUND;
}

HRESULT CreateYuvSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format, const DDSCAPS2& caps,
                         IDirectDrawSurface7** surface) {
    *surface = nullptr;
    YuvLayout layout;
    if (!YuvLayoutOf(format.dwFourCC, &layout)) return DDERR_INVALIDPIXELFORMAT;
    if ((caps.dwCaps & kRefusedCaps) != 0) return DDERR_INVALIDPIXELFORMAT;
    // Chroma is shared by pixel pairs (and in YV12 by row pairs): no half pairs.
    if ((width & 1) != 0 || (layout == YuvLayout::kYv12 && (height & 1) != 0)) return DDERR_INVALIDPARAMS;
    // The context tells which renderer this is.
    if (!AcquireContext()) return DDERR_OUTOFVIDEOMEMORY;
    if (!YuvFourCCsOffered(layout)) {
        ReleaseContext();
        return DDERR_INVALIDPIXELFORMAT;
    }
    auto* created = new (std::nothrow) YuvSurface(owner, width, height, layout, VideoMemoryCaps(caps));
    const bool ok = created != nullptr && created->CreateObjects();
    return HandOutVideoSurface(created, ok, surface);
}

}  // namespace gl_backend
