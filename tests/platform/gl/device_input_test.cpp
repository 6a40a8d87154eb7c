// The device refuses what it cannot draw soundly: viewports outside the target, vertex
// and index counts that do not fit, unknown vertex layouts, textures outside video
// memory, and devices whose programs do not build; a refused draw leaves the target alone.
#include "platform/testing/gl_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

class DeviceInputTest : public GlFixture {};

TEST_F(DeviceInputTest, ViewportsOutsideTheTargetAreRefusedAndTheViewportClips) {
    IDirectDrawSurface7* target = Surface(16, 8, kX8R8G8B8);
    Fill(target, 0);
    IDirect3DDevice7* device = Device(target);
    ASSERT_NE(device, nullptr);
    D3DVIEWPORT7 whole{};
    ASSERT_EQ(device->GetViewport(&whole), D3D_OK);
    EXPECT_EQ(whole.dwWidth, 16u);
    EXPECT_EQ(whole.dwHeight, 8u);
    const D3DVIEWPORT7 refused[] = {{0, 0, 17, 8, 0, 1},  {8, 0, 9, 8, 0, 1}, {0, 4, 16, 5, 0, 1},
                                    {0, 0, 0, 8, 0, 1},   {0xFFFFFFFFu, 0, 2, 2, 0, 1}, {0, 0, 4, 4, 0.5f, 0.2f}};
    for (D3DVIEWPORT7 v : refused) {
        EXPECT_EQ(device->SetViewport(&v), DDERR_INVALIDPARAMS) << v.dwX << " " << v.dwY << " " << v.dwWidth;
    }
    D3DVIEWPORT7 kept{};
    device->GetViewport(&kept);
    EXPECT_EQ(kept.dwWidth, 16u);
    D3DVIEWPORT7 part{2, 1, 5, 3, 0, 1};
    ASSERT_EQ(device->SetViewport(&part), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    auto quad = QuadVertices(-0.5f, -0.5f, 15.5f, 7.5f, 0xFFFFFFFFu);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0), D3D_OK);
    const std::vector<std::uint32_t> got = ReadAll(target);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
            EXPECT_EQ(got[y * 16 + x] & 0xFFFFFFu, inside ? 0xFFFFFFu : 0u) << x << ", " << y;
        }
    }
}

TEST_F(DeviceInputTest, DrawsThatDoNotFitThePrimitiveAreRefusedWithoutDrawing) {
    IDirectDrawSurface7* target = Surface(8, 8, kX8R8G8B8);
    Fill(target, 0x010203);
    IDirect3DDevice7* device = Device(target);
    ASSERT_NE(device, nullptr);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    auto quad = QuadVertices(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFFu);
    WORD indices[6] = {0, 1, 2, 3, 4, 5};
    WORD beyond[6] = {0, 1, 2, 3, 4, 6};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 5, 0), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 0, 0), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kTexturedFvf, quad.data(), 2, 0), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(99, kTexturedFvf, quad.data(), 6, 0), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 0x10002, 0),
              D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x002 | D3DFVF_DIFFUSE, quad.data(), 6, 0),
              D3DERR_INVALIDVERTEXTYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | 0x300, quad.data(), 6, 0),
              D3DERR_INVALIDVERTEXTYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, nullptr, 6, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, beyond, 6, 0),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, indices, 4, 0),
              D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, nullptr, 6, 0),
              DDERR_INVALIDPARAMS);
    for (std::uint32_t p : ReadAll(target)) ASSERT_EQ(p & 0xFFFFFFu, 0x010203u);
    // The same vertices through indices, joined by degenerate triangles, draw.
    WORD strip[8] = {0, 1, 2, 2, 2, 3, 4, 5};
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, indices, 6, 0), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, kTexturedFvf, quad.data(), 6, strip, 8, 0), D3D_OK);
    for (std::uint32_t p : ReadAll(target)) ASSERT_EQ(p & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(DeviceInputTest, OnlyVideoMemorySurfacesServeAsTargetsAndTextures) {
    IDirectDrawSurface7* system = SystemSurface(4, 4, kX8R8G8B8);
    IDirect3DDevice7* refused = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, system, &refused), DDERR_INVALIDPARAMS);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, DepthSurface(4, 4), &refused), DDERR_INVALIDPARAMS);
    IDirect3DDevice7* device = Device(Surface(4, 4, kX8R8G8B8));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->SetTexture(0, system), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTexture(8, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetRenderTarget(system, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetRenderState(kD3DRenderStateCount, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
}

TEST_F(DeviceInputTest, ProgramsThatDoNotCompileRefuseTheDeviceAndTheDraw) {
    IDirectDrawSurface7* target = Surface(4, 4, kX8R8G8B8);
    Fill(target, 0x000080);
    IDirect3DDevice7* working = Device(target);
    ASSERT_NE(working, nullptr);
    BreakGlShaders broken;
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DTnLHalDevice, target, &device), D3DERR_INITFAILED);
    EXPECT_EQ(device, nullptr);
    // A state set not built before cannot be drawn now; the target stays as it was.
    working->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
    auto quad = QuadVertices(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
    EXPECT_EQ(working->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0), D3DERR_INITFAILED);
    for (std::uint32_t p : ReadAll(target)) ASSERT_EQ(p & 0xFFFFFFu, 0x000080u);
}

}  // namespace
