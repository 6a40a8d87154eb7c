// The 3-D interfaces of the platform layer: the Direct3D 7 object that the DirectDraw
// object answers for IID_IDirect3D7, its one device over pre-transformed vertices
// (enumerated as the hardware device, or as the software-emulation device where GL renders
// on the CPU), and the states, stage operations, blend factors and records they take.
// Answered by platform/opengl/ over an OpenGL 3.3 core context; where no such context can
// be made the DirectDraw object refuses IID_IDirect3D7.
#pragma once

#include <cstdint>

#include "platform/ddraw.h"

// ---- identities -------------------------------------------------------------------------
extern const IID IID_IDirect3DTnLHalDevice;
extern const IID IID_IDirect3DHALDevice;
extern const IID IID_IDirect3DRGBDevice;
extern const IID IID_IDirect3DDevice7;

// ---- results ------------------------------------------------------------------------------
constexpr HRESULT D3D_OK = 0;
// A vertex format or primitive the device does not draw, or a vertex or index count that
// does not fit the primitive.
constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = static_cast<HRESULT>(0x88760819u);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = static_cast<HRESULT>(0x8876081Au);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = static_cast<HRESULT>(0x88760817u);
// The device's drawing programs could not be built.
constexpr HRESULT D3DERR_INITFAILED = static_cast<HRESULT>(0x887602BCu);
constexpr HRESULT D3DERR_SCENE_IN_SCENE = static_cast<HRESULT>(0x88760848u);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = static_cast<HRESULT>(0x88760849u);

// ---- capability bits ------------------------------------------------------------------
constexpr DWORD DDBD_16 = 0x00000400u;
constexpr DWORD DDBD_32 = 0x00000100u;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002u;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020u;

// ---- render states ----------------------------------------------------------------------
using D3DRENDERSTATETYPE = DWORD;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZENABLE = 7;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SHADEMODE = 9;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZWRITEENABLE = 14;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ALPHATESTENABLE = 15;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SRCBLEND = 19;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_DESTBLEND = 20;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_CULLMODE = 22;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZFUNC = 23;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ALPHAREF = 24;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ALPHAFUNC = 25;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_DITHERENABLE = 26;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ALPHABLENDENABLE = 27;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_FOGENABLE = 28;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SPECULARENABLE = 29;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_COLORKEYENABLE = 41;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZBIAS = 47;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_TEXTUREFACTOR = 60;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_LIGHTING = 137;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_COLORKEYBLENDENABLE = 144;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_DIFFUSEMATERIALSOURCE = 145;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SPECULARMATERIALSOURCE = 146;
// Render states are numbered below this; the device keeps every one it is given.
constexpr DWORD kD3DRenderStateCount = 256;

constexpr DWORD D3DZB_FALSE = 0;
constexpr DWORD D3DZB_TRUE = 1;
constexpr DWORD D3DSHADE_FLAT = 1;
constexpr DWORD D3DSHADE_GOURAUD = 2;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;
constexpr DWORD D3DMCS_COLOR1 = 1;
constexpr DWORD D3DMCS_COLOR2 = 2;

constexpr DWORD D3DCMP_NEVER = 1;
constexpr DWORD D3DCMP_LESS = 2;
constexpr DWORD D3DCMP_EQUAL = 3;
constexpr DWORD D3DCMP_LESSEQUAL = 4;
constexpr DWORD D3DCMP_GREATER = 5;
constexpr DWORD D3DCMP_NOTEQUAL = 6;
constexpr DWORD D3DCMP_GREATEREQUAL = 7;
constexpr DWORD D3DCMP_ALWAYS = 8;

constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DBLEND_SRCCOLOR = 3;
constexpr DWORD D3DBLEND_INVSRCCOLOR = 4;
constexpr DWORD D3DBLEND_SRCALPHA = 5;
constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
constexpr DWORD D3DBLEND_DESTALPHA = 7;
constexpr DWORD D3DBLEND_INVDESTALPHA = 8;
constexpr DWORD D3DBLEND_DESTCOLOR = 9;
constexpr DWORD D3DBLEND_INVDESTCOLOR = 10;

// ---- texture-stage states -----------------------------------------------------------
using D3DTEXTURESTAGESTATETYPE = DWORD;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLOROP = 1;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG1 = 2;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG2 = 3;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAOP = 4;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG1 = 5;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG2 = 6;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_TEXCOORDINDEX = 11;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESS = 12;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSU = 13;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSV = 14;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAGFILTER = 16;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MINFILTER = 17;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MIPFILTER = 18;
constexpr DWORD kD3DStageStateCount = 32;
constexpr DWORD kD3DMaxStages = 8;

constexpr DWORD D3DTOP_DISABLE = 1;
constexpr DWORD D3DTOP_SELECTARG1 = 2;
constexpr DWORD D3DTOP_SELECTARG2 = 3;
constexpr DWORD D3DTOP_MODULATE = 4;
constexpr DWORD D3DTOP_MODULATE2X = 5;
constexpr DWORD D3DTOP_MODULATE4X = 6;
constexpr DWORD D3DTOP_ADD = 7;
constexpr DWORD D3DTOP_SUBTRACT = 10;
constexpr DWORD D3DTOP_BLENDDIFFUSEALPHA = 12;
constexpr DWORD D3DTOP_BLENDCURRENTALPHA = 16;

constexpr DWORD D3DTA_SELECTMASK = 0x0000000Fu;
constexpr DWORD D3DTA_DIFFUSE = 0x00000000u;
constexpr DWORD D3DTA_CURRENT = 0x00000001u;
constexpr DWORD D3DTA_TEXTURE = 0x00000002u;
constexpr DWORD D3DTA_TFACTOR = 0x00000003u;
constexpr DWORD D3DTA_SPECULAR = 0x00000004u;
constexpr DWORD D3DTA_COMPLEMENT = 0x00000010u;

constexpr DWORD D3DTADDRESS_WRAP = 1;
constexpr DWORD D3DTADDRESS_MIRROR = 2;
constexpr DWORD D3DTADDRESS_CLAMP = 3;

constexpr DWORD D3DTFG_POINT = 1;
constexpr DWORD D3DTFG_LINEAR = 2;
constexpr DWORD D3DTFN_POINT = 1;
constexpr DWORD D3DTFN_LINEAR = 2;
constexpr DWORD D3DTFP_NONE = 1;

// ---- primitives and vertices -----------------------------------------------------------
using D3DPRIMITIVETYPE = DWORD;
constexpr D3DPRIMITIVETYPE D3DPT_POINTLIST = 1;
constexpr D3DPRIMITIVETYPE D3DPT_LINELIST = 2;
constexpr D3DPRIMITIVETYPE D3DPT_LINESTRIP = 3;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLELIST = 4;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLESTRIP = 5;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLEFAN = 6;

// Vertex layouts: x, y, z, rhw (floats); then the diffuse colour (0xAARRGGBB) and the
// specular colour when asked for; then 0 to 2 (u, v) float pairs.
constexpr DWORD D3DFVF_XYZRHW = 0x004u;
constexpr DWORD D3DFVF_DIFFUSE = 0x040u;
constexpr DWORD D3DFVF_SPECULAR = 0x080u;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00u;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_TEX1 = 0x100u;
constexpr DWORD D3DFVF_TEX2 = 0x200u;
// A draw takes at most this many vertices or indices.
constexpr DWORD kD3DMaxVertices = 0xFFFFu;

using D3DTRANSFORMSTATETYPE = DWORD;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_WORLD = 1;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_VIEW = 2;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_PROJECTION = 3;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_WORLD1 = 4;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_WORLD2 = 5;
constexpr D3DTRANSFORMSTATETYPE D3DTRANSFORMSTATE_WORLD3 = 6;

struct D3DMATRIX {
    float m[4][4];
};

// The drawing area of the render target; pre-transformed vertices are not moved by it,
// it clips.
struct D3DVIEWPORT7 {
    DWORD dwX;
    DWORD dwY;
    DWORD dwWidth;
    DWORD dwHeight;
    float dvMinZ;
    float dvMaxZ;
};

// What a device can do.
struct D3DPRIMCAPS {
    DWORD dwSize;
    DWORD dwTextureCaps;  // D3DPTEXTURECAPS_*
};

struct D3DDEVICEDESC7 {
    DWORD dwDevCaps;
    D3DPRIMCAPS dpcLineCaps;
    D3DPRIMCAPS dpcTriCaps;
    DWORD dwDeviceRenderBitDepth;   // DDBD_16 | DDBD_32
    DWORD dwDeviceZBufferBitDepth;  // DDBD_16
    DWORD dwMinTextureWidth;
    DWORD dwMinTextureHeight;
    DWORD dwMaxTextureWidth;
    DWORD dwMaxTextureHeight;
    WORD wMaxTextureBlendStages;
    WORD wMaxSimultaneousTextures;
    GUID deviceGUID;
};

using LPD3DENUMDEVICESCALLBACK7 = HRESULT (*)(char* description, char* name, D3DDEVICEDESC7* desc, void* context);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, void* context);

constexpr HRESULT D3DENUMRET_CANCEL = DDENUMRET_CANCEL;
constexpr HRESULT D3DENUMRET_OK = DDENUMRET_OK;

// ---- interfaces ---------------------------------------------------------------------------
class IDirect3DDevice7 : public IUnknown {
public:
    virtual HRESULT GetCaps(D3DDEVICEDESC7* desc) = 0;
    // The texture formats: R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X8R8G8B8, A8R8G8B8.
    virtual HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // The target is a surface of the 3-D device's memory (primary, back buffer, drawable
    // texture or video-memory plain surface); the viewport becomes the whole target.
    virtual HRESULT SetRenderTarget(IDirectDrawSurface7* surface, DWORD flags) = 0;
    virtual HRESULT GetRenderTarget(IDirectDrawSurface7** surface) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
    // Refused unless it lies inside the render target; it clips every later draw.
    virtual HRESULT SetViewport(D3DVIEWPORT7* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT7* viewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    // Stages 0 to 7; a texture is a video-memory texture surface or null.
    virtual HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) = 0;
    // Pre-transformed vertices only (D3DFVF_XYZRHW); the count must fit the primitive.
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count,
                                  DWORD flags) = 0;
    // Every index must name one of the `vertex_count` vertices.
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count,
                                         WORD* indices, DWORD index_count, DWORD flags) = 0;
    // Copies `source_rect` (null: the whole source) of a surface of the same format to
    // `point` (null: 0, 0) of `destination`.
    virtual HRESULT Load(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source,
                         RECT* source_rect, DWORD flags) = 0;

protected:
    ~IDirect3DDevice7() = default;
};

class IDirect3D7 : public IUnknown {
public:
    // One device: hardware transform and lighting, 16 and 32-bit targets, textures of 1 to
    // 2048 texels a side of any size, 8 stages.
    virtual HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) = 0;
    // One depth format: DDPF_ZBUFFER, 16 bits, mask 0xFFFF.
    virtual HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) = 0;
    virtual HRESULT CreateDevice(REFCLSID device, IDirectDrawSurface7* target, IDirect3DDevice7** created) = 0;

protected:
    ~IDirect3D7() = default;
};
