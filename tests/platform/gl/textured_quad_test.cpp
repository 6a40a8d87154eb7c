// The device's enumerations, and a point-sampled textured quad drawn at the -0.5 offset
// reproducing its texture pixel for pixel.
#include <random>

#include "tests/platform/gl/gl_fixture.h"

namespace {

class TexturedQuadTest : public GlFixture {};

HRESULT CountDevice(char*, char*, D3DDEVICEDESC7* desc, void* context) {
    static_cast<std::vector<D3DDEVICEDESC7>*>(context)->push_back(*desc);
    return D3DENUMRET_OK;
}

HRESULT KeepFormat(DDPIXELFORMAT* format, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

TEST_F(TexturedQuadTest, OffersOneHardwareDeviceSixTextureFormatsAndA16BitDepthFormat) {
    std::vector<D3DDEVICEDESC7> devices;
    ASSERT_EQ(d3d_->EnumDevices(&CountDevice, &devices), D3D_OK);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].deviceGUID, IID_IDirect3DTnLHalDevice);
    EXPECT_EQ(devices[0].dwDeviceRenderBitDepth, DDBD_16 | DDBD_32);
    EXPECT_EQ(devices[0].dpcTriCaps.dwTextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY), 0u);
    EXPECT_EQ(devices[0].dwMinTextureWidth, 1u);
    EXPECT_EQ(devices[0].dwMaxTextureHeight, 2048u);
    EXPECT_EQ(devices[0].wMaxTextureBlendStages, 8);

    std::vector<DDPIXELFORMAT> depth;
    ASSERT_EQ(d3d_->EnumZBufferFormats(IID_IDirect3DHALDevice, &KeepFormat, &depth), D3D_OK);
    ASSERT_EQ(depth.size(), 1u);
    EXPECT_EQ(depth[0].dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(depth[0].dwZBufferBitDepth, 16u);
    EXPECT_EQ(depth[0].dwZBitMask, 0xFFFFu);

    IDirect3DDevice7* device = Device(Surface(8, 8, kX8R8G8B8));
    ASSERT_NE(device, nullptr);
    std::vector<DDPIXELFORMAT> textures;
    ASSERT_EQ(device->EnumTextureFormats(&KeepFormat, &textures), D3D_OK);
    ASSERT_EQ(textures.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const DDPIXELFORMAT expected = FormatOf(i);
        EXPECT_EQ(textures[i].dwRGBBitCount, expected.dwRGBBitCount) << i;
        EXPECT_EQ(textures[i].dwRBitMask, expected.dwRBitMask) << i;
        EXPECT_EQ(textures[i].dwGBitMask, expected.dwGBitMask) << i;
        EXPECT_EQ(textures[i].dwBBitMask, expected.dwBBitMask) << i;
        EXPECT_EQ(textures[i].dwRGBAlphaBitMask, expected.dwRGBAlphaBitMask) << i;
    }
}

TEST_F(TexturedQuadTest, PointSampledQuadAtHalfPixelOffsetReproducesTheTextureExactly) {
    for (int format : {kR5G6B5, kX8R8G8B8}) {
        SCOPED_TRACE(format);
        constexpr int kW = 37;
        constexpr int kH = 29;
        IDirectDrawSurface7* target = Surface(64, 48, format);
        IDirectDrawSurface7* texture = Surface(kW, kH, format);
        std::mt19937 random(7 + format);
        std::vector<std::uint32_t> texels(kW * kH);
        for (std::uint32_t& t : texels) t = random() & (format == kR5G6B5 ? 0xFFFFu : 0xFFFFFFu);
        Write(texture, RECT{0, 0, kW, kH}, texels);
        const std::uint32_t background = format == kR5G6B5 ? 0x1234u : 0x123456u;
        Fill(target, background);
        IDirect3DDevice7* device = Device(target);
        ASSERT_NE(device, nullptr);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
        auto quad = QuadVertices(11 - 0.5f, 6 - 0.5f, 11 + kW - 0.5f, 6 + kH - 0.5f, 0xFFFFFFFFu);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        const std::vector<std::uint32_t> got = ReadAll(target);
        const std::uint32_t colour_bits = format == kR5G6B5 ? 0xFFFFu : 0xFFFFFFu;
        int wrong = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= 11 && x < 11 + kW && y >= 6 && y < 6 + kH;
                const std::uint32_t expected = inside ? texels[(y - 6) * kW + (x - 11)] : background;
                if ((got[y * 64 + x] & colour_bits) != (expected & colour_bits) && ++wrong < 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << "): 0x" << std::hex << got[y * 64 + x]
                                  << " instead of 0x" << expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
