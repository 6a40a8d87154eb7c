// The display-object interfaces of the platform layer: the DirectDraw 7 object, its
// system-memory surfaces (flip chains, colour and depth fills, keyed and stretched copies,
// locks, device contexts, lost surfaces), the window clipper and the 8-bit palette, with
// their records and constants. Objects come from CoCreateInstance(CLSID_DirectDraw7).
// Video memory and the 3-D device exist while an OpenGL context can be made (platform/
// d3d7.h, platform/opengl/); its vertical blank is a virtual 60 Hz raster on the platform
// clock (implementation in platform/video/).
#pragma once

#include <cstdint>

#include "platform/com.h"
#include "platform/window.h"

// ---- class and interface identities -------------------------------------------------
extern const CLSID CLSID_DirectDraw7;
extern const IID IID_IDirectDraw7;
extern const IID IID_IDirectDraw;   // the older object interface (answered while overlays are offered)
extern const IID IID_IDirect3D7;    // platform/d3d7.h; refused where no GL context can be made
extern const IID IID_IDirectDrawSurface7;
extern const IID IID_IDirectDrawClipper;
extern const IID IID_IDirectDrawPalette;

// ---- results ------------------------------------------------------------------------
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DDERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88760005u);
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078u);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7u);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x887600E1u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_NOTINITIALIZED = static_cast<HRESULT>(0x88760111u);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x887601E0u);
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x887601FEu);
constexpr HRESULT DDERR_VERTICALBLANKINPROGRESS = static_cast<HRESULT>(0x88760219u);
constexpr HRESULT DDERR_HWNDSUBCLASSED = static_cast<HRESULT>(0x8876023Au);
constexpr HRESULT DDERR_HWNDALREADYSET = static_cast<HRESULT>(0x8876023Bu);
constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = static_cast<HRESULT>(0x88760245u);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248u);
constexpr HRESULT DDERR_CANTCREATEDC = static_cast<HRESULT>(0x88760249u);
constexpr HRESULT DDERR_NODC = static_cast<HRESULT>(0x8876024Bu);
constexpr HRESULT DDERR_NOTPALETTIZED = static_cast<HRESULT>(0x88760231u);
constexpr HRESULT DDERR_NOTAOVERLAYSURFACE = static_cast<HRESULT>(0x88760244u);
constexpr HRESULT DDERR_INVALIDSURFACETYPE = static_cast<HRESULT>(0x88760250u);

// ---- cooperative level ----------------------------------------------------------------
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001u;
constexpr DWORD DDSCL_NORMAL = 0x00000008u;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010u;
constexpr DWORD DDSCL_MULTITHREADED = 0x00000400u;
constexpr DWORD DDSCL_FPUPRESERVE = 0x00001000u;

// ---- records --------------------------------------------------------------------------
constexpr DWORD DDPF_ALPHAPIXELS = 0x00000001u;
constexpr DWORD DDPF_ALPHA = 0x00000002u;  // alpha only
constexpr DWORD DDPF_FOURCC = 0x00000004u;
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020u;
constexpr DWORD DDPF_RGB = 0x00000040u;
constexpr DWORD DDPF_ZBUFFER = 0x00000400u;
constexpr DWORD DDPF_LUMINANCE = 0x00020000u;
constexpr DWORD DDPF_BUMPLUMINANCE = 0x00040000u;
constexpr DWORD DDPF_BUMPDUDV = 0x00080000u;

constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) | static_cast<DWORD>(static_cast<BYTE>(b)) << 8 |
           static_cast<DWORD>(static_cast<BYTE>(c)) << 16 | static_cast<DWORD>(static_cast<BYTE>(d)) << 24;
}

// A pixel layout, 32 bytes. For a depth buffer the bit count is the depth and the
// green-mask word holds the depth mask.
struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwZBufferBitDepth;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwStencilBitDepth;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwZBitMask;
    };
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};
static_assert(sizeof(DDPIXELFORMAT) == 32, "pixel format layout");

constexpr DWORD DDSCAPS_ALPHA = 0x00000002u;
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004u;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008u;
constexpr DWORD DDSCAPS_FLIP = 0x00000010u;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020u;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040u;
constexpr DWORD DDSCAPS_OVERLAY = 0x00000080u;
constexpr DWORD DDSCAPS_PALETTE = 0x00000100u;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200u;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800u;
constexpr DWORD DDSCAPS_TEXTURE = 0x00001000u;
constexpr DWORD DDSCAPS_3DDEVICE = 0x00002000u;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000u;
constexpr DWORD DDSCAPS_ZBUFFER = 0x00020000u;
constexpr DWORD DDSCAPS_LOCALVIDMEM = 0x10000000u;
constexpr DWORD DDSCAPS2_TEXTUREMANAGE = 0x00000010u;

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};

// A colour key: pixels from low to high (inclusive) count as transparent; the engine
// always sets low = high.
struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

constexpr DWORD DDSD_CAPS = 0x00000001u;
constexpr DWORD DDSD_HEIGHT = 0x00000002u;
constexpr DWORD DDSD_WIDTH = 0x00000004u;
constexpr DWORD DDSD_PITCH = 0x00000008u;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020u;
constexpr DWORD DDSD_LPSURFACE = 0x00000800u;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000u;
constexpr DWORD DDSD_CKSRCBLT = 0x00010000u;
constexpr DWORD DDSD_REFRESHRATE = 0x00040000u;

// The surface description (124 bytes on the 32-bit machine; the pixel pointer makes it
// larger here). dwSize is sizeof(DDSURFACEDESC2).
struct DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    void* lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};

// Blit effects, 100 bytes; the stand-in reads only the fill value.
struct DDBLTFX {
    DWORD dwSize;
    DWORD dwReserved[19];
    union {
        DWORD dwFillColor;  // raw pixel value in the destination's format
        DWORD dwFillDepth;  // raw depth value
    };
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
static_assert(sizeof(DDBLTFX) == 100, "blit effects layout");

// dwCaps bits.
constexpr DWORD DDCAPS_ALIGNBOUNDARYDEST = 0x00000002u;
constexpr DWORD DDCAPS_ALIGNSIZEDEST = 0x00000004u;
constexpr DWORD DDCAPS_ALIGNBOUNDARYSRC = 0x00000008u;
constexpr DWORD DDCAPS_ALIGNSIZESRC = 0x00000010u;
constexpr DWORD DDCAPS_OVERLAY = 0x00000800u;
constexpr DWORD DDCAPS_OVERLAYFOURCC = 0x00002000u;
constexpr DWORD DDCAPS_OVERLAYSTRETCH = 0x00004000u;

// Hardware capabilities, 380 bytes. Stretch factors are in thousandths (1000 = 1:1); the
// alignment values count only with their bit in dwCaps.
struct DDCAPS {
    DWORD dwSize;
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwVidMemTotal;
    DWORD dwVidMemFree;
    DWORD dwMinOverlayStretch;
    DWORD dwMaxOverlayStretch;
    DWORD dwMaxVisibleOverlays;
    DWORD dwCurrVisibleOverlays;
    DWORD dwAlignBoundarySrc;
    DWORD dwAlignSizeSrc;
    DWORD dwAlignBoundaryDest;
    DWORD dwAlignSizeDest;
    DWORD dwReserved[82];
};
static_assert(sizeof(DDCAPS) == 380, "capabilities layout");

struct DDDEVICEIDENTIFIER2 {
    char szDriver[512];
    char szDescription[512];
    LARGE_INTEGER liDriverVersion;  // four 16-bit parts, most significant first
    DWORD dwVendorId;
    DWORD dwDeviceId;
    DWORD dwSubSysId;
    DWORD dwRevision;
    GUID guidDeviceIdentifier;
    DWORD dwWHQLLevel;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// ---- operation flags ------------------------------------------------------------------
constexpr DWORD DDBLT_COLORFILL = 0x00000400u;
constexpr DWORD DDBLT_KEYSRC = 0x00008000u;
constexpr DWORD DDBLT_WAIT = 0x01000000u;
constexpr DWORD DDBLT_DEPTHFILL = 0x02000000u;

constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000u;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001u;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010u;

constexpr DWORD DDFLIP_WAIT = 0x00000001u;
constexpr DWORD DDFLIP_NOVSYNC = 0x00000008u;

constexpr DWORD DDLOCK_WAIT = 0x00000001u;
constexpr DWORD DDLOCK_READONLY = 0x00000010u;
constexpr DWORD DDLOCK_WRITEONLY = 0x00000020u;

constexpr DWORD DDCKEY_SRCBLT = 0x00000008u;

constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x00000001u;
constexpr DWORD DDWAITVB_BLOCKEND = 0x00000004u;

constexpr DWORD DDOVER_HIDE = 0x00000200u;
constexpr DWORD DDOVER_SHOW = 0x00004000u;

constexpr DWORD DDPCAPS_8BIT = 0x00000004u;
constexpr DWORD DDPCAPS_ALLOW256 = 0x00000040u;

constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT DDENUMRET_OK = 1;

// ---- interfaces ---------------------------------------------------------------------------
class IDirectDrawSurface7;

class IDirectDrawClipper : public IUnknown {
public:
    // Clips blits to the window's client area (screen coordinates).
    virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
    virtual HRESULT GetHWnd(HWND* window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};

class IDirectDrawPalette : public IUnknown {
public:
    virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, const PALETTEENTRY* entries) = 0;
    virtual HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) = 0;

protected:
    ~IDirectDrawPalette() = default;
};

// The callback borrows the surface: it must not release it.
using LPDDENUMSURFACESCALLBACK7 = HRESULT (*)(IDirectDrawSurface7* surface, DDSURFACEDESC2* description,
                                              void* context);

class IDirectDrawSurface7 : public IUnknown {
public:
    // The attached surface gains a reference that DeleteAttachedSurface or the release of
    // this surface gives back. Only depth buffers are attached by callers.
    virtual HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) = 0;
    // A copy rectangle to rectangle, stretched nearest-neighbour when the sizes differ;
    // DDBLT_COLORFILL / DDBLT_DEPTHFILL fill the destination rectangle with the raw value
    // of `effects`. Null rectangles mean whole surfaces. A destination with a clipper is in
    // screen coordinates and is cut to the clip window's client area.
    virtual HRESULT Blt(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                        DDBLTFX* effects) = 0;
    // An unstretched, unclipped copy of `source_rect` to (x, y); with
    // DDBLTFAST_SRCCOLORKEY source pixels equal to the source key are skipped.
    virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags) = 0;
    virtual HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface) = 0;
    // The callback sees the flip chain's back buffers and the attached depth buffer.
    virtual HRESULT EnumAttachedSurfaces(void* context, LPDDENUMSURFACESCALLBACK7 callback) = 0;
    // Swaps the memory of the chain; the back-buffer interface keeps naming the back buffer.
    virtual HRESULT Flip(IDirectDrawSurface7* target_override, DWORD flags) = 0;
    // DDSCAPS_BACKBUFFER on a flipping primary gives its back buffer (with a reference),
    // DDSCAPS_ZBUFFER the attached depth buffer.
    virtual HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** surface) = 0;
    virtual HRESULT GetCaps(DDSCAPS2* caps) = 0;
    virtual HRESULT GetClipper(IDirectDrawClipper** clipper) = 0;
    virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    // A device context over the surface's pixels until ReleaseDC; the surface counts as
    // locked meanwhile.
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT GetPalette(IDirectDrawPalette** palette) = 0;
    virtual HRESULT GetPixelFormat(DDPIXELFORMAT* format) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* description) = 0;
    // DD_OK, or DDERR_SURFACELOST while the surface's memory is lost.
    virtual HRESULT IsLost() = 0;
    // lpSurface points at the rectangle's first byte (null rectangle: the surface's) and
    // lPitch is the whole surface's row pitch, which is wider than width x pixel size.
    virtual HRESULT Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE event) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    // Gives a lost surface its memory back; the contents are undefined (here: zero).
    virtual HRESULT Restore() = 0;
    virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
    virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
    virtual HRESULT Unlock(RECT* rect) = 0;
    // On an overlay surface: DDOVER_SHOW shows `source_rect` of it (null: all of it) over
    // `destination` (the primary) at `destination_rect` (screen coordinates, null: the
    // whole primary), scaled to fit; DDOVER_HIDE hides it (the rectangles are not read).
    // `effects` is not read. DDERR_NOTAOVERLAYSURFACE on any other surface.
    virtual HRESULT UpdateOverlay(RECT* source_rect, IDirectDrawSurface7* destination, RECT* destination_rect,
                                  DWORD flags, void* effects) = 0;

protected:
    ~IDirectDrawSurface7() = default;
};

class IDirectDraw7 : public IUnknown {
public:
    virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) = 0;
    virtual HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                                  IUnknown* outer) = 0;
    // Textures, 3-D device targets, depth buffers and video-memory requests (without
    // DDSCAPS_SYSTEMMEMORY) are made in GL storage when a GL context can be made; otherwise
    // in system memory, where a request for video memory fails with DDERR_OUTOFVIDEOMEMORY
    // (unless a test gave the display video memory).
    // Without DDSD_PIXELFORMAT the surface takes the display's format.
    virtual HRESULT CreateSurface(DDSURFACEDESC2* description, IDirectDrawSurface7** surface,
                                  IUnknown* outer) = 0;
    virtual HRESULT FlipToGDISurface() = 0;
    virtual HRESULT GetCaps(DDCAPS* driver_caps, DDCAPS* emulation_caps) = 0;
    virtual HRESULT GetDisplayMode(DDSURFACEDESC2* description) = 0;
    // DD_OK with the line, or DDERR_VERTICALBLANKINPROGRESS during the blank.
    virtual HRESULT GetScanLine(DWORD* line) = 0;
    virtual HRESULT GetVerticalBlankStatus(BOOL* in_blank) = 0;
    virtual HRESULT Initialize(GUID* device) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    // Needs the exclusive full-screen level. The mode is recorded and WM_DISPLAYCHANGE
    // is posted to the cooperative window when it changes.
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD refresh_rate,
                                   DWORD flags) = 0;
    virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
    virtual HRESULT GetAvailableVidMem(DDSCAPS2* caps, DWORD* total, DWORD* free) = 0;
    virtual HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* identifier, DWORD flags) = 0;

protected:
    ~IDirectDraw7() = default;
};

// ---- display settings without DirectDraw ---------------------------------------------------
constexpr DWORD DM_BITSPERPEL = 0x00040000u;
constexpr DWORD DM_PELSWIDTH = 0x00080000u;
constexpr DWORD DM_PELSHEIGHT = 0x00100000u;
constexpr DWORD DM_DISPLAYFREQUENCY = 0x00400000u;

// The display-mode record, 156 bytes; the stand-in reads dmFields and the four mode words.
struct DEVMODEA {
    char dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    BYTE dmReserved1[60];
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
    BYTE dmReserved2[32];
};
static_assert(sizeof(DEVMODEA) == 156, "display-mode record layout");

constexpr DWORD CDS_FULLSCREEN = 0x00000004u;
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;
constexpr LONG DISP_CHANGE_FAILED = -1;
constexpr LONG DISP_CHANGE_BADMODE = -2;

// Null returns the display to the desktop mode. The same mode table as SetDisplayMode.
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);
