// The device's states against a CPU reference written from the same arithmetic: blend
// factors, stage operations and arguments, texture factor, alpha test, colour key and
// depth, each within 2 per channel; the top-left fill rule and first-vertex flat shading
// exactly.
#include <algorithm>

#include "tests/platform/gl/gl_fixture.h"

namespace {

class DeviceStatesTest : public GlFixture {
protected:
    // A device on a new target of `format` filled with `background`, culling and depth off.
    IDirect3DDevice7* Prepared(int width, int height, int format, std::uint32_t background) {
        target_ = Surface(width, height, format);
        Fill(target_, background);
        IDirect3DDevice7* device = Device(target_);
        if (device != nullptr) {
            device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
            device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
        }
        return device;
    }
    // A texture of one colour.
    IDirectDrawSurface7* SolidTexture(int format, std::uint32_t raw, int width = 4, int height = 4) {
        IDirectDrawSurface7* texture = Surface(width, height, format);
        Fill(texture, raw);
        return texture;
    }
    static HRESULT DrawQuad(IDirect3DDevice7* device, float x0, float y0, float x1, float y1, std::uint32_t diffuse,
                            float z = 0.2f) {
        auto quad = QuadVertices(x0 - 0.5f, y0 - 0.5f, x1 - 0.5f, y1 - 0.5f, diffuse, z);
        return device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0);
    }

    IDirectDrawSurface7* target_ = nullptr;
};

int Channel(std::uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

std::uint32_t PerChannel(std::uint32_t a, std::uint32_t b, int (*f)(int, int)) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16, 24}) {
        out |= static_cast<std::uint32_t>(std::clamp(f(Channel(a, shift), Channel(b, shift)), 0, 255)) << shift;
    }
    return out;
}

// ---- blend factors ------------------------------------------------------------------
int Factor(DWORD factor, int source, int source_alpha, int destination) {
    switch (factor) {
        case D3DBLEND_ZERO: return 0;
        case D3DBLEND_ONE: return 255;
        case D3DBLEND_SRCCOLOR: return source;
        case D3DBLEND_SRCALPHA: return source_alpha;
        case D3DBLEND_INVSRCALPHA: return 255 - source_alpha;
        case D3DBLEND_INVDESTCOLOR: return 255 - destination;
        default: return -1;
    }
}

TEST_F(DeviceStatesTest, EveryBlendFactorPairMatchesTheReference) {
    const DWORD factors[] = {D3DBLEND_ZERO,        D3DBLEND_ONE,         D3DBLEND_SRCCOLOR,
                             D3DBLEND_SRCALPHA,    D3DBLEND_INVSRCALPHA, D3DBLEND_INVDESTCOLOR};
    constexpr std::uint32_t kSource = 0x80C04020u;
    constexpr std::uint32_t kDestination = 0x003060A0u;
    IDirect3DDevice7* device = Prepared(24, 24, kX8R8G8B8, kDestination);
    ASSERT_NE(device, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    for (int s = 0; s < 6; ++s) {
        for (int d = 0; d < 6; ++d) {
            device->SetRenderState(D3DRENDERSTATE_SRCBLEND, factors[s]);
            device->SetRenderState(D3DRENDERSTATE_DESTBLEND, factors[d]);
            ASSERT_EQ(DrawQuad(device, s * 4.0f, d * 4.0f, s * 4.0f + 4, d * 4.0f + 4, kSource), D3D_OK);
        }
    }
    const std::vector<std::uint32_t> got = ReadAll(target_);
    for (int s = 0; s < 6; ++s) {
        for (int d = 0; d < 6; ++d) {
            std::uint32_t expected = 0;
            for (int shift : {0, 8, 16}) {
                const int src = Channel(kSource, shift);
                const int dst = Channel(kDestination, shift);
                const int sa = Channel(kSource, 24);
                const int value = (src * Factor(factors[s], src, sa, dst) + dst * Factor(factors[d], src, sa, dst) + 127) / 255;
                expected |= static_cast<std::uint32_t>(std::min(value, 255)) << shift;
            }
            EXPECT_TRUE(ArgbNear(expected, got[(d * 4 + 1) * 24 + s * 4 + 1], 2, false))
                << "source factor " << factors[s] << ", destination factor " << factors[d];
        }
    }
}

// ---- stage operations and arguments ------------------------------------------------
constexpr std::uint32_t kTexel = 0xA090D060u;
constexpr std::uint32_t kDiffuse = 0x60306090u;
constexpr std::uint32_t kFactor = 0x40FF8000u;

struct StageCase {
    const char* name;
    DWORD color_op, color_arg1, color_arg2, alpha_op, alpha_arg1, alpha_arg2;
    std::uint32_t expected;
};

std::uint32_t Complement(std::uint32_t v) { return ~v; }
int Mod(int a, int b) { return (a * b + 127) / 255; }
int Mod2(int a, int b) { return 2 * a * b / 255; }
int Mod4(int a, int b) { return 4 * a * b / 255; }
int Add(int a, int b) { return a + b; }
int Sub(int a, int b) { return a - b; }
std::uint32_t Blend(std::uint32_t a1, std::uint32_t a2, int alpha) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16, 24}) {
        out |= static_cast<std::uint32_t>((Channel(a1, shift) * alpha + Channel(a2, shift) * (255 - alpha) + 127) / 255)
               << shift;
    }
    return out;
}
std::uint32_t Mix(std::uint32_t colour, std::uint32_t alpha) { return (colour & 0xFFFFFFu) | (alpha & 0xFF000000u); }

TEST_F(DeviceStatesTest, EveryStageOperationAndArgumentMatchesTheReference) {
    const StageCase cases[] = {
        {"select texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, kTexel},
        {"select diffuse", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, kDiffuse},
        {"modulate", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         PerChannel(kTexel, kDiffuse, Mod)},
        {"modulate 2x", D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE2X, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, PerChannel(kTexel, kDiffuse, Mod2)},
        {"modulate 4x", D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE4X, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, PerChannel(kTexel, kDiffuse, Mod4)},
        {"add", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         PerChannel(kTexel, kDiffuse, Add)},
        {"subtract", D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         PerChannel(kTexel, kDiffuse, Sub)},
        {"blend by diffuse alpha", D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_BLENDDIFFUSEALPHA,
         D3DTA_TEXTURE, D3DTA_TFACTOR, Blend(kTexel, kFactor, Channel(kDiffuse, 24))},
        {"complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
         D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_TEXTURE, Mix(Complement(kTexel), Complement(kDiffuse))},
        {"texture factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
         D3DTA_DIFFUSE, kFactor},
        {"specular is white", D3DTOP_MODULATE, D3DTA_SPECULAR, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_SPECULAR,
         D3DTA_TEXTURE, Mix(kDiffuse, kTexel)},
        {"colour disabled: diffuse", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, kDiffuse},
    };
    IDirectDrawSurface7* texture = SolidTexture(kA8R8G8B8, kTexel);
    IDirect3DDevice7* device = Prepared(4 * 13, 4, kA8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, kFactor);
    int cell = 0;
    for (const StageCase& c : cases) {
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.color_op);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.color_arg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.color_arg2);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alpha_op);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alpha_arg1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alpha_arg2);
        ASSERT_EQ(DrawQuad(device, cell * 4.0f, 0, cell * 4.0f + 4, 4, kDiffuse), D3D_OK) << c.name;
        ++cell;
    }
    // Two stages: the texture, then its blend with the texture factor by the current alpha.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDCURRENTALPHA);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    ASSERT_EQ(DrawQuad(device, cell * 4.0f, 0, cell * 4.0f + 4, 4, kDiffuse), D3D_OK);
    const std::uint32_t two_stages = Mix(Blend(kTexel, kFactor, Channel(kTexel, 24)), kTexel);

    const std::vector<std::uint32_t> got = ReadAll(target_);
    for (int i = 0; i < cell; ++i) {
        EXPECT_TRUE(ArgbNear(cases[i].expected, got[4 * 13 + i * 4 + 1], 2, true)) << cases[i].name;
    }
    EXPECT_TRUE(ArgbNear(two_stages, got[4 * 13 + cell * 4 + 1], 2, true)) << "two stages";
}

// ---- alpha test -----------------------------------------------------------------------
TEST_F(DeviceStatesTest, AlphaTestKeepsExactlyThePixelsItsFunctionPasses) {
    const int alphas[] = {0, 15, 16, 17, 128, 255};
    const struct {
        DWORD func;
        bool (*passes)(int);
    } functions[] = {
        {D3DCMP_NEVER, [](int) { return false; }},      {D3DCMP_LESS, [](int a) { return a < 16; }},
        {D3DCMP_EQUAL, [](int a) { return a == 16; }},  {D3DCMP_LESSEQUAL, [](int a) { return a <= 16; }},
        {D3DCMP_GREATER, [](int a) { return a > 16; }}, {D3DCMP_NOTEQUAL, [](int a) { return a != 16; }},
        {D3DCMP_GREATEREQUAL, [](int a) { return a >= 16; }}, {D3DCMP_ALWAYS, [](int) { return true; }},
    };
    IDirectDrawSurface7* texture = Surface(6, 1, kA8R8G8B8);
    std::vector<std::uint32_t> texels;
    for (int a : alphas) texels.push_back(static_cast<std::uint32_t>(a) << 24 | 0x00FFFFFFu);
    Write(texture, RECT{0, 0, 6, 1}, texels);
    IDirect3DDevice7* device = Prepared(6, 8, kX8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 16);
    for (int f = 0; f < 8; ++f) {
        device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, functions[f].func);
        ASSERT_EQ(DrawQuad(device, 0, static_cast<float>(f), 6, static_cast<float>(f + 1), 0xFFFFFFFFu), D3D_OK);
    }
    const std::vector<std::uint32_t> got = ReadAll(target_);
    for (int f = 0; f < 8; ++f) {
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(got[f * 6 + i] & 0xFFFFFFu, functions[f].passes(alphas[i]) ? 0xFFFFFFu : 0u)
                << "function " << functions[f].func << ", alpha " << alphas[i];
        }
    }
}

// ---- colour key -------------------------------------------------------------------------
TEST_F(DeviceStatesTest, ColourKeyDropsKeyedTexelsOnlyWhileEnabled) {
    for (int format : {kR5G6B5, kX8R8G8B8}) {
        SCOPED_TRACE(format);
        const std::uint32_t key = format == kR5G6B5 ? 0xF81Fu : 0xFF00FFu;
        const std::uint32_t a = format == kR5G6B5 ? 0x07E0u : 0x00FF00u;
        const std::uint32_t b = format == kR5G6B5 ? 0x001Fu : 0x0000FFu;
        IDirectDrawSurface7* texture = Surface(4, 1, format);
        Write(texture, RECT{0, 0, 4, 1}, {key, a, key, b});
        DDCOLORKEY ck{key, key};
        ASSERT_EQ(texture->SetColorKey(DDCKEY_SRCBLT, &ck), DD_OK);
        IDirect3DDevice7* device = Prepared(4, 2, format, 0);
        ASSERT_NE(device, nullptr);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
        ASSERT_EQ(DrawQuad(device, 0, 0, 4, 1, 0xFFFFFFFFu), D3D_OK);
        device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, FALSE);
        ASSERT_EQ(DrawQuad(device, 0, 1, 4, 2, 0xFFFFFFFFu), D3D_OK);
        const std::vector<std::uint32_t> got = ReadAll(target_);
        const std::uint32_t bits = format == kR5G6B5 ? 0xFFFFu : 0xFFFFFFu;
        const std::vector<std::uint32_t> expected{0, a, 0, b, key, a, key, b};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(got[i] & bits, expected[i]) << i;
    }
}

// ---- depth ------------------------------------------------------------------------------
TEST_F(DeviceStatesTest, DepthTestAndWriteFollowTheirStates) {
    const struct {
        DWORD func;
        bool drawn;  // a quad at z 0.25 over a depth of 0.5
    } cases[] = {{D3DCMP_NEVER, false},   {D3DCMP_LESS, true},     {D3DCMP_EQUAL, false},
                 {D3DCMP_LESSEQUAL, true}, {D3DCMP_GREATER, false}, {D3DCMP_NOTEQUAL, true},
                 {D3DCMP_GREATEREQUAL, false}, {D3DCMP_ALWAYS, true}};
    IDirectDrawSurface7* target = Surface(8, 4, kX8R8G8B8);
    IDirectDrawSurface7* depth = DepthSurface(8, 4);
    ASSERT_EQ(target->AddAttachedSurface(depth), DD_OK);
    target_ = target;
    Fill(target, 0);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillDepth = 0x8000;
    ASSERT_EQ(depth->Blt(nullptr, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx), DD_OK);
    IDirect3DDevice7* device = Device(target);
    ASSERT_NE(device, nullptr);
    DWORD z_enable = 0;
    device->GetRenderState(D3DRENDERSTATE_ZENABLE, &z_enable);
    EXPECT_EQ(z_enable, D3DZB_TRUE);  // a depth buffer was attached
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    for (int i = 0; i < 8; ++i) {
        device->SetRenderState(D3DRENDERSTATE_ZFUNC, cases[i].func);
        ASSERT_EQ(DrawQuad(device, static_cast<float>(i), 0, static_cast<float>(i + 1), 1, 0xFFFFFFFFu, 0.25f), D3D_OK);
    }
    // Row 1: written depth; row 2: depth test off draws whatever the depth.
    device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    ASSERT_EQ(DrawQuad(device, 0, 1, 4, 2, 0xFFFFFFFFu, 0.25f), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_NEVER);
    ASSERT_EQ(DrawQuad(device, 0, 2, 8, 3, 0xFFFFFFFFu, 0.9f), D3D_OK);

    const std::vector<std::uint32_t> colour = ReadAll(target);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(colour[i] & 0xFFFFFFu, cases[i].drawn ? 0xFFFFFFu : 0u) << cases[i].func;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(colour[16 + i] & 0xFFFFFFu, 0xFFFFFFu);
    const std::vector<std::uint32_t> z = ReadAll(depth);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(z[i], 0x8000u) << "depth kept without Z write";
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<int>(z[8 + i]), 16384, 2);
    for (int i = 4; i < 8; ++i) EXPECT_EQ(z[8 + i], 0x8000u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(z[16 + i], 0x8000u) << "no depth write with Z off";
}

// ---- rasterisation ------------------------------------------------------------------------
TEST_F(DeviceStatesTest, EdgesOnPixelCentresFollowTheTopLeftRule) {
    IDirect3DDevice7* device = Prepared(10, 10, kX8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    // Two triangles sharing a diagonal, every corner on a pixel centre: each pixel of
    // columns 1..7 and rows 1..7 once (added twice would show 0x80), none of row 8 or
    // column 8.
    const ColourVertex v[6] = {{1, 1, 0.2f, 1, 0x404040u}, {8, 1, 0.2f, 1, 0x404040u}, {1, 8, 0.2f, 1, 0x404040u},
                               {8, 1, 0.2f, 1, 0x404040u}, {8, 8, 0.2f, 1, 0x404040u}, {1, 8, 0.2f, 1, 0x404040u}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kColourFvf, const_cast<ColourVertex*>(v), 6, 0), D3D_OK);
    const std::vector<std::uint32_t> got = ReadAll(target_);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 8 && y >= 1 && y < 8;
            EXPECT_EQ(got[y * 10 + x] & 0xFFFFFFu, inside ? 0x404040u : 0u) << x << ", " << y;
        }
    }
}

TEST_F(DeviceStatesTest, FlatShadingTakesEachTrianglesFirstVertex) {
    IDirect3DDevice7* device = Prepared(16, 8, kX8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    // A list of two triangles (left half), colours given only where the engine writes them
    // plus stale ones elsewhere; a strip of two triangles (right half).
    const ColourVertex list[6] = {{0, 0, 0.2f, 1, 0xFF0000u}, {8, 0, 0.2f, 1, 0x00FF00u}, {0, 8, 0.2f, 1, 0x0000FFu},
                                  {8, 8, 0.2f, 1, 0xFFFF00u}, {0, 8, 0.2f, 1, 0x00FFFFu}, {8, 0, 0.2f, 1, 0xFFFFFFu}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kColourFvf, const_cast<ColourVertex*>(list), 6, 0), D3D_OK);
    const ColourVertex strip[4] = {{8, 0, 0.2f, 1, 0x112233u}, {16, 0, 0.2f, 1, 0x445566u},
                                   {8, 8, 0.2f, 1, 0x778899u}, {16, 8, 0.2f, 1, 0xAABBCCu}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kColourFvf, const_cast<ColourVertex*>(strip), 4, 0), D3D_OK);
    const std::vector<std::uint32_t> got = ReadAll(target_);
    EXPECT_EQ(got[1 * 16 + 1] & 0xFFFFFFu, 0xFF0000u);    // upper-left triangle
    EXPECT_EQ(got[6 * 16 + 6] & 0xFFFFFFu, 0xFFFF00u);    // lower-right triangle
    EXPECT_EQ(got[1 * 16 + 9] & 0xFFFFFFu, 0x112233u);    // strip triangle 0: vertex 0
    EXPECT_EQ(got[6 * 16 + 14] & 0xFFFFFFu, 0x445566u);   // strip triangle 1: vertex 1
}

// ---- two textures, coordinate sets and filters ------------------------------------------
struct TwoSetVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2
    float x, y, z, rhw;
    std::uint32_t diffuse, specular;
    float u0, v0, u1, v1;
};

TEST_F(DeviceStatesTest, TwoTexturesReadTheirOwnCoordinateSets) {
    // Stage 0: a 4x1 ramp over the quad by set 0; stage 1: a 1x4 ramp by set 1, which runs
    // the other way; the result is their product.
    IDirectDrawSurface7* across = Surface(4, 1, kX8R8G8B8);
    Write(across, RECT{0, 0, 4, 1}, {0x000040u, 0x000080u, 0x0000C0u, 0x0000FFu});
    IDirectDrawSurface7* down = Surface(1, 4, kX8R8G8B8);
    Write(down, RECT{0, 0, 1, 4}, {0x0000FFu, 0x0000C0u, 0x000080u, 0x000040u});
    IDirect3DDevice7* device = Prepared(4, 4, kX8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTexture(0, across);
    device->SetTexture(1, down);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    const TwoSetVertex tl{-0.5f, -0.5f, 0.2f, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 0, 1};
    const TwoSetVertex tr{3.5f, -0.5f, 0.2f, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, 1, 0, 0, 1};
    const TwoSetVertex bl{-0.5f, 3.5f, 0.2f, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 1, 0, 0};
    const TwoSetVertex br{3.5f, 3.5f, 0.2f, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, 1, 1, 0, 0};
    TwoSetVertex quad[6] = {tl, tr, bl, br, bl, tr};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2,
                                    quad, 6, 0),
              D3D_OK);
    const std::vector<std::uint32_t> got = ReadAll(target_);
    const int ramp[4] = {0x40, 0x80, 0xC0, 0xFF};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            // Set 1's v runs from 1 at the top to 0 at the bottom: row y reads texel 3 - y.
            const int expected = (ramp[x] * ramp[3 - (3 - y)] + 127) / 255;
            EXPECT_TRUE(ArgbNear(static_cast<std::uint32_t>(expected), got[y * 4 + x], 2, false)) << x << ", " << y;
        }
    }
}

TEST_F(DeviceStatesTest, PointFilteringRepeatsTexelsAndLinearFilteringBlendsThem) {
    IDirectDrawSurface7* texture = Surface(2, 1, kX8R8G8B8);
    Write(texture, RECT{0, 0, 2, 1}, {0x000000u, 0xFFFFFFu});
    IDirect3DDevice7* device = Prepared(8, 2, kX8R8G8B8, 0);
    ASSERT_NE(device, nullptr);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    ASSERT_EQ(DrawQuad(device, 0, 0, 8, 1, 0xFFFFFFFFu), D3D_OK);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    ASSERT_EQ(DrawQuad(device, 0, 1, 8, 2, 0xFFFFFFFFu), D3D_OK);
    const std::vector<std::uint32_t> got = ReadAll(target_);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(got[x] & 0xFFFFFFu, x < 4 ? 0u : 0xFFFFFFu) << x;
    // Pixel centre x + 0.5 samples u = (x + 0.5) / 8, between texel centres 0.25 and 0.75
    // (clamped outside them).
    for (int x = 0; x < 8; ++x) {
        const double u = (x + 0.5) / 8.0;
        const double weight = std::clamp((u - 0.25) / 0.5, 0.0, 1.0);
        const int level = static_cast<int>(weight * 255.0 + 0.5);
        EXPECT_TRUE(ArgbNear(static_cast<std::uint32_t>(level * 0x010101), got[8 + x], 2, false)) << x;
    }
}

}  // namespace
