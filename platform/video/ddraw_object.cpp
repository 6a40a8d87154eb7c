// The DirectDraw object of the display stand-in with its clipper and palette objects:
// cooperative level, display modes (recorded; see display_modes.cpp), surface creation
// in system memory, the virtual vertical blank and the device report. Registered with
// the platform's COM table under CLSID_DirectDraw7. Video memory and the 3-D interface
// come from the OpenGL stand-in (platform/opengl/) when a GL context can be made.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/opengl/gl_backend.h"
#include "platform/video/ddraw_objects.h"
#include "platform/video/overlay_surface.h"

const CLSID CLSID_DirectDraw7 = {0x5f0b7a31, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirectDraw7 = {0x5f0b7a32, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirectDraw = {0x5f0b7a33, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirect3D7 = {0x5f0b7a34, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirectDrawSurface7 = {0x5f0b7a35, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirectDrawClipper = {0x5f0b7a36, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirectDrawPalette = {0x5f0b7a37, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};

namespace display {
namespace {

HRESULT CreateDirectDrawInstance(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    auto* created = new (std::nothrow) DirectDrawObject();
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}

// The class is registered when this unit is linked, which any use of CLSID_DirectDraw7
// guarantees.
struct Registration {
    Registration() { RegisterComClass(CLSID_DirectDraw7, &CreateDirectDrawInstance); }
};
Registration g_registration;

constexpr DWORD kKnownLevels = DDSCL_FULLSCREEN | DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED |
                               DDSCL_FPUPRESERVE;
// The widest and tallest surface the display makes.
constexpr DWORD kMaxSurfaceSide = 16384;

}  // namespace

// ---- clipper ---------------------------------------------------------------------------
HRESULT ClipperObject::QueryInterface(REFIID iid, void** object) {
    return QueryOneInterface<IDirectDrawClipper>(this, iid, IID_IDirectDrawClipper, object);
}
ULONG ClipperObject::AddRef() { return ++refs_; }
ULONG ClipperObject::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}
HRESULT ClipperObject::SetHWnd(DWORD, HWND window) {
    if (window != nullptr && !IsWindow(window)) return DDERR_INVALIDPARAMS;
    window_ = window;
    return DD_OK;
}
HRESULT ClipperObject::GetHWnd(HWND* window) {
    if (window == nullptr) return DDERR_INVALIDPARAMS;
    *window = window_;
    return DD_OK;
}

// ---- palette ---------------------------------------------------------------------------
PaletteObject::PaletteObject(const PALETTEENTRY* entries) {
    if (entries != nullptr) std::memcpy(entries_, entries, sizeof(entries_));
}
HRESULT PaletteObject::QueryInterface(REFIID iid, void** object) {
    return QueryOneInterface<IDirectDrawPalette>(this, iid, IID_IDirectDrawPalette, object);
}
ULONG PaletteObject::AddRef() { return ++refs_; }
ULONG PaletteObject::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}
HRESULT PaletteObject::SetEntries(DWORD, DWORD start, DWORD count, const PALETTEENTRY* entries) {
    if (entries == nullptr || start > kEntryCount || count > kEntryCount - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, entries, count * sizeof(PALETTEENTRY));
    return DD_OK;
}
HRESULT PaletteObject::GetEntries(DWORD, DWORD start, DWORD count, PALETTEENTRY* entries) {
    if (entries == nullptr || start > kEntryCount || count > kEntryCount - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries, entries_ + start, count * sizeof(PALETTEENTRY));
    return DD_OK;
}

// ---- DirectDraw object -------------------------------------------------------------------
DirectDrawObject::DirectDrawObject() = default;

DirectDrawObject::~DirectDrawObject() {
    // Releasing the object ends its exclusive mode and with it the program's display mode.
    if (changed_mode_) RestoreDesktopMode(window_);
}

HRESULT DirectDrawObject::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirectDraw7) {
        AddRef();
        *object = static_cast<IDirectDraw7*>(this);
        return S_OK;
    }
    // The 3-D interface while GL can carry it. The older interface, which the overlay
    // probe reads the capabilities through, only while overlays are offered: it is this
    // object (GetCaps and CreateSurface are read through IDirectDraw7).
    if (iid == IID_IDirect3D7) return gl_backend::CreateDirect3D(this, object);
    if (iid == IID_IDirectDraw && OverlaysOffered()) {
        AddRef();
        *object = static_cast<IDirectDraw7*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
ULONG DirectDrawObject::AddRef() { return ++refs_; }
ULONG DirectDrawObject::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT DirectDrawObject::Initialize(GUID*) {
    if (initialized_) return DDERR_ALREADYINITIALIZED;
    initialized_ = true;
    return DD_OK;
}

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags) {
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if ((flags & ~kKnownLevels) != 0) return DDERR_INVALIDPARAMS;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool full_screen = (flags & DDSCL_FULLSCREEN) != 0;
    if (normal == exclusive || exclusive != full_screen) return DDERR_INVALIDPARAMS;
    if (window != nullptr && !IsWindow(window)) return DDERR_INVALIDPARAMS;
    if (exclusive && window == nullptr) return DDERR_INVALIDPARAMS;
    // Leaving the exclusive level gives the display back to the desktop.
    if (normal && this->exclusive() && changed_mode_) {
        RestoreDesktopMode(window_);
        changed_mode_ = false;
    }
    if (window != nullptr) {
        window_ = window;
        SetDisplayNotifyWindow(window);
    }
    level_ = flags;
    return DD_OK;
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD) {
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if (!exclusive()) return DDERR_NOEXCLUSIVEMODE;
    if (width > 0x7FFF || height > 0x7FFF ||
        !IsModeSupported(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits),
                         static_cast<int>(refresh))) {
        return DDERR_INVALIDMODE;
    }
    SetProgramMode(DisplayMode{static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits),
                               static_cast<int>(refresh)},
                   window_);
    changed_mode_ = true;
    return DD_OK;
}

HRESULT DirectDrawObject::RestoreDisplayMode() {
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if (changed_mode_) RestoreDesktopMode(window_);
    changed_mode_ = false;
    return DD_OK;
}

HRESULT DirectDrawObject::GetDisplayMode(DDSURFACEDESC2* description) {
    if (description == nullptr) return DDERR_INVALIDPARAMS;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    const DisplayMode mode = CurrentMode();
    std::memset(description, 0, sizeof(*description));
    description->dwSize = sizeof(*description);
    description->dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    description->dwWidth = static_cast<DWORD>(mode.width);
    description->dwHeight = static_cast<DWORD>(mode.height);
    description->lPitch = mode.width * (mode.bits / 8);
    description->dwRefreshRate = static_cast<DWORD>(mode.refresh);
    description->ddpfPixelFormat = FormatForBits(mode.bits);
    return DD_OK;
}

HRESULT DirectDrawObject::CreateClipper(DWORD, IDirectDrawClipper** clipper, IUnknown* outer) {
    if (clipper == nullptr) return DDERR_INVALIDPARAMS;
    *clipper = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* created = new (std::nothrow) ClipperObject();
    if (created == nullptr) return DDERR_OUTOFMEMORY;
    *clipper = created;
    return DD_OK;
}

HRESULT DirectDrawObject::CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                                        IUnknown* outer) {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if ((flags & DDPCAPS_8BIT) == 0 || entries == nullptr) return DDERR_INVALIDPARAMS;
    auto* created = new (std::nothrow) PaletteObject(entries);
    if (created == nullptr) return DDERR_OUTOFMEMORY;
    *palette = created;
    return DD_OK;
}

HRESULT DirectDrawObject::CreateSurface(DDSURFACEDESC2* description, IDirectDrawSurface7** surface,
                                        IUnknown* outer) {
    if (surface == nullptr || description == nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if (level_ == 0) return DDERR_NOEXCLUSIVEMODE;  // no cooperative level yet
    if ((description->dwFlags & DDSD_CAPS) == 0) return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps = description->ddsCaps;
    if ((caps.dwCaps & DDSCAPS_OVERLAY) != 0) return CreateOverlaySurface(description, surface);
    // Video memory is GL storage (below), when a GL context can be made; no overlays.
    // Everything else lives in system memory. A test may give the display video memory:
    // surfaces asked for in it or for the 3-D device then report being there (their pixels
    // are plain memory all the same).
    const bool video = HasVideoMemory() && (caps.dwCaps & (DDSCAPS_OVERLAY | DDSCAPS_SYSTEMMEMORY)) == 0 &&
                       (caps.dwCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE | DDSCAPS_LOCALVIDMEM)) != 0;
    const bool needs_video = (caps.dwCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_OVERLAY | DDSCAPS_LOCALVIDMEM)) != 0;
    if (!video && needs_video &&
        (!gl_backend::BelongsInVideoMemory(caps) || !gl_backend::VideoMemoryAvailable())) {
        return DDERR_OUTOFVIDEOMEMORY;
    }
    const DisplayMode mode = CurrentMode();
    const bool primary = (caps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0;
    int width;
    int height;
    DDPIXELFORMAT format;
    if (primary) {
        if ((description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) != 0) return DDERR_INVALIDPARAMS;
        width = mode.width;
        height = mode.height;
        format = FormatForBits(mode.bits);
    } else {
        if ((description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) {
            return DDERR_INVALIDPARAMS;
        }
        if (description->dwWidth == 0 || description->dwHeight == 0 || description->dwWidth > kMaxSurfaceSide ||
            description->dwHeight > kMaxSurfaceSide) {
            return DDERR_INVALIDPARAMS;
        }
        width = static_cast<int>(description->dwWidth);
        height = static_cast<int>(description->dwHeight);
        if ((description->dwFlags & DDSD_PIXELFORMAT) != 0) {
            format = description->ddpfPixelFormat;
            const DWORD bits = format.dwRGBBitCount;
            // YUV layouts live in GL storage only (platform/opengl/yuv_surface.h).
            if ((format.dwFlags & DDPF_FOURCC) != 0 && (caps.dwCaps & DDSCAPS_OVERLAY) == 0) {
                return gl_backend::CreateYuvSurface(this, width, height, format, caps, surface);
            }
            if ((format.dwFlags & DDPF_FOURCC) != 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
                return DDERR_INVALIDPIXELFORMAT;
            }
        } else if ((caps.dwCaps & DDSCAPS_ZBUFFER) != 0) {
            return DDERR_INVALIDPIXELFORMAT;
        } else {
            format = FormatForBits(mode.bits);
        }
    }
    const bool flipping = (caps.dwCaps & DDSCAPS_FLIP) != 0;
    DWORD back_count = 0;
    if (flipping) {
        if (!primary || !exclusive() || (caps.dwCaps & DDSCAPS_COMPLEX) == 0 ||
            (description->dwFlags & DDSD_BACKBUFFERCOUNT) == 0 || description->dwBackBufferCount == 0 ||
            description->dwBackBufferCount > 3) {
            return DDERR_INVALIDPARAMS;
        }
        back_count = description->dwBackBufferCount;
    }
    // Textures, 3-D targets, depth buffers and video memory live in GL when it is there;
    // otherwise (or for a layout GL does not hold) in system memory as below.
    if (gl_backend::BelongsInVideoMemory(caps)) {
        const HRESULT made = gl_backend::CreateVideoSurface(this, width, height, format, caps,
                                                           static_cast<int>(back_count), surface);
        if (made == DD_OK) return DD_OK;
    }
    if (!video && needs_video) return DDERR_OUTOFVIDEOMEMORY;
    caps.dwCaps |= video ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
    if (primary) caps.dwCaps |= DDSCAPS_FRONTBUFFER;
    auto* created = new (std::nothrow) SurfaceObject(this, width, height, format, caps);
    if (created == nullptr) return DDERR_OUTOFMEMORY;
    for (DWORD i = 0; i < back_count; ++i) {
        DDSCAPS2 back_caps = caps;
        back_caps.dwCaps &= ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER);
        back_caps.dwCaps |= DDSCAPS_BACKBUFFER;
        auto* back = new (std::nothrow) SurfaceObject(this, width, height, format, back_caps);
        if (back == nullptr) {
            created->Release();
            return DDERR_OUTOFMEMORY;
        }
        created->AddBackBuffer(back);
    }
    *surface = created;
    return DD_OK;
}

HRESULT DirectDrawObject::CreateOverlaySurface(DDSURFACEDESC2* description, IDirectDrawSurface7** surface) {
    if (!OverlaysOffered()) return DDERR_OUTOFVIDEOMEMORY;  // no overlay hardware
    const DWORD wanted = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    DDSCAPS2 caps = description->ddsCaps;
    if ((description->dwFlags & wanted) != wanted ||
        (caps.dwCaps & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE |
                        DDSCAPS_3DDEVICE | DDSCAPS_ZBUFFER)) != 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (description->dwWidth == 0 || description->dwHeight == 0 || description->dwWidth > kMaxSurfaceSide ||
        description->dwHeight > kMaxSurfaceSide) {
        return DDERR_INVALIDPARAMS;
    }
    const int width = static_cast<int>(description->dwWidth);
    const int height = static_cast<int>(description->dwHeight);
    if (IsYuvOverlayFormat(description->ddpfPixelFormat)) {
        // A YUV surface of the GL stand-in, which holds its picture for the conversion.
        caps.dwCaps &= ~DDSCAPS_OVERLAY;
        IDirectDrawSurface7* made = nullptr;
        const HRESULT result = gl_backend::CreateYuvSurface(this, width, height, description->ddpfPixelFormat, caps, &made);
        if (result != DD_OK) return result;
        RegisterOverlaySurface(static_cast<SurfaceCommon*>(made));
        *surface = made;
        return DD_OK;
    }
    if (!IsRgbOverlayFormat(description->ddpfPixelFormat)) return DDERR_INVALIDPIXELFORMAT;
    // Its pixels are plain memory; it counts as video memory as the hardware's would.
    caps.dwCaps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    auto* created = new (std::nothrow) SurfaceObject(this, width, height, description->ddpfPixelFormat, caps);
    if (created == nullptr) return DDERR_OUTOFMEMORY;
    RegisterOverlaySurface(created);
    *surface = created;
    return DD_OK;
}

HRESULT DirectDrawObject::FlipToGDISurface() { return initialized_ ? DD_OK : DDERR_NOTINITIALIZED; }

HRESULT DirectDrawObject::GetCaps(DDCAPS* driver_caps, DDCAPS* emulation_caps) {
    if (!initialized_) return DDERR_NOTINITIALIZED;
    for (DDCAPS* caps : {driver_caps, emulation_caps}) {
        if (caps == nullptr) continue;
        std::memset(caps, 0, sizeof(*caps));
        caps->dwSize = sizeof(*caps);
    }
    if (driver_caps != nullptr && OverlaysOffered()) AddOverlayCaps(driver_caps);
    return DD_OK;
}

HRESULT DirectDrawObject::GetScanLine(DWORD* line) {
    if (line == nullptr) return DDERR_INVALIDPARAMS;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    const int scan = ScanLine(true);
    if (scan < 0) {
        *line = 0;
        return DDERR_VERTICALBLANKINPROGRESS;
    }
    *line = static_cast<DWORD>(scan);
    return DD_OK;
}

HRESULT DirectDrawObject::GetVerticalBlankStatus(BOOL* in_blank) {
    if (in_blank == nullptr) return DDERR_INVALIDPARAMS;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    *in_blank = InVerticalBlank(true) ? TRUE : FALSE;
    return DD_OK;
}

HRESULT DirectDrawObject::WaitForVerticalBlank(DWORD flags, HANDLE) {
    if (!initialized_) return DDERR_NOTINITIALIZED;
    if (flags == DDWAITVB_BLOCKBEGIN) {
        WaitForBlankBegin();
        return DD_OK;
    }
    if (flags == DDWAITVB_BLOCKEND) {
        WaitForBlankEnd();
        return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
}

HRESULT DirectDrawObject::GetAvailableVidMem(DDSCAPS2* caps, DWORD* total, DWORD* free) {
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    // This display has no video memory.
    if (total != nullptr) *total = 0;
    if (free != nullptr) *free = 0;
    return DD_OK;
}

HRESULT DirectDrawObject::GetDeviceIdentifier(DDDEVICEIDENTIFIER2* identifier, DWORD) {
    if (identifier == nullptr) return DDERR_INVALIDPARAMS;
    if (!initialized_) return DDERR_NOTINITIALIZED;
    std::memset(identifier, 0, sizeof(*identifier));
    std::strcpy(identifier->szDriver, "vomur-display");
    std::strcpy(identifier->szDescription, "Vomur system-memory display");
    identifier->liDriverVersion.QuadPart = static_cast<LONGLONG>(0x0001000000000000ull);  // 1.0.0.0
    return DD_OK;
}

HWND DirectDrawWindow(IDirectDraw7* object) { return static_cast<DirectDrawObject*>(object)->window(); }
bool DirectDrawExclusive(IDirectDraw7* object) { return static_cast<DirectDrawObject*>(object)->exclusive(); }

}  // namespace display
