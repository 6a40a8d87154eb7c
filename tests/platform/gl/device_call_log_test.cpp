// The 3-D device's call log, on the platform side alone: what a test turns on is recorded
// in order with its arguments, vertices and results; nothing is kept while it is off.
// Skips where no OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/com.h"
#include "platform/d3d7.h"
#include "platform/testing/gl_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

// The fixture's DirectDraw and 3-D objects, and a 16 x 16 R5G6B5 texture that is also a
// render target.
class DeviceCallLog : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        target_ = Surface(16, 16, kR5G6B5);
        ASSERT_NE(target_, nullptr);
    }

    IDirectDrawSurface7* target_ = nullptr;
};

TEST_F(DeviceCallLog, KeepsEachCallInOrderWithItsArgumentsAndResult) {
    RecordGlDeviceCalls log;
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, target_, &device), D3D_OK);
    device->BeginScene();
    device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0x61FFFFFFu);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE4X);
    device->SetTexture(0, target_);
    struct Vertex {
        float x, y, z, rhw;
        std::uint32_t diffuse;
    } vertices[3] = {{0, 0, 0.2f, 1, 0xFF102030u}, {8, 0, 0.2f, 1, 0}, {0, 8, 0.2f, 1, 0}};
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, vertices, 3, 0);
    WORD indices[3] = {2, 1, 0};
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, vertices, 3, indices, 3, 0);
    device->EndScene();
    device->EndScene();  // not in a scene: refused, and kept as refused
    device->Release();

    const std::vector<GlDeviceCall> calls = log.Calls();
    const GlDeviceCallKind kinds[] = {GlDeviceCallKind::kCreateDevice,   GlDeviceCallKind::kBeginScene,
                                      GlDeviceCallKind::kSetRenderState, GlDeviceCallKind::kSetTextureStageState,
                                      GlDeviceCallKind::kSetTexture,     GlDeviceCallKind::kDrawPrimitive,
                                      GlDeviceCallKind::kDrawIndexedPrimitive, GlDeviceCallKind::kEndScene,
                                      GlDeviceCallKind::kEndScene,       GlDeviceCallKind::kReleaseDevice};
    ASSERT_EQ(calls.size(), std::size(kinds));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].kind, kinds[i]) << "call " << i;
        if (i > 0) {
            EXPECT_EQ(calls[i].device, device) << "call " << i;
        }
    }
    EXPECT_EQ(calls[0].object, target_);
    EXPECT_EQ(calls[2].state, D3DRENDERSTATE_TEXTUREFACTOR);
    EXPECT_EQ(calls[2].value, 0x61FFFFFFu);
    EXPECT_EQ(calls[3].stage, 1u);
    EXPECT_EQ(calls[3].state, D3DTSS_ALPHAOP);
    EXPECT_EQ(calls[3].value, D3DTOP_MODULATE4X);
    EXPECT_EQ(calls[4].object, target_);
    EXPECT_EQ(calls[5].state, D3DPT_TRIANGLELIST);
    EXPECT_EQ(calls[5].value, D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    EXPECT_EQ(calls[5].count, 3u);
    ASSERT_EQ(calls[5].data.size(), sizeof vertices);
    EXPECT_EQ(std::memcmp(calls[5].data.data(), vertices, sizeof vertices), 0);
    EXPECT_EQ(calls[6].state, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(calls[6].index_count, 3u);
    EXPECT_EQ(calls[6].indices, (std::vector<std::uint16_t>{2, 1, 0}));
    EXPECT_EQ(calls[7].result, D3D_OK);
    EXPECT_EQ(calls[8].result, D3DERR_SCENE_NOT_IN_SCENE);
}

TEST_F(DeviceCallLog, KeepsNothingWhileOff) {
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, target_, &device), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
    {
        RecordGlDeviceCalls log;
        EXPECT_TRUE(log.Calls().empty());
        device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);
        EXPECT_EQ(log.Count(GlDeviceCallKind::kSetRenderState), 1u);
        log.Clear();
        EXPECT_TRUE(log.Calls().empty());
    }
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
    EXPECT_FALSE(platform_hooks::IsGlDeviceCallLogOn());
    EXPECT_TRUE(platform_hooks::GlDeviceCalls().empty());
    device->Release();
}

TEST_F(DeviceCallLog, KeepsColourAndDepthFillsOfSurfaces) {
    RecordGlDeviceCalls log;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x07E0;
    ASSERT_EQ(target_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    const std::vector<GlDeviceCall> fills = log.Calls(GlDeviceCallKind::kSurfaceFill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].object, target_);
    EXPECT_EQ(fills[0].state, 0x07E0u);
    EXPECT_EQ(fills[0].value, DDBLT_COLORFILL | DDBLT_WAIT);
}

}  // namespace
