// Video-memory surfaces: locks that read back and write back exactly the locked
// rectangle in every format, fills, uploads from system memory (with source key), copies
// out of video memory, Load, refusals of rectangles outside, and a lost context.
#include <random>

#include "platform/testing/gl_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

class VideoSurfaceTest : public GlFixture {};

std::uint32_t FormatBits(int format) { return format >= kX8R8G8B8 ? 0xFFFFFFFFu : 0xFFFFu; }

TEST_F(VideoSurfaceTest, LocksRoundTripExactlyAndTouchOnlyTheLockedRectangle) {
    std::mt19937 random(3);
    for (int format = 0; format < 6; ++format) {
        SCOPED_TRACE(format);
        IDirectDrawSurface7* surface = Surface(13, 9, format);
        DDSCAPS2 caps{};
        surface->GetCaps(&caps);
        EXPECT_NE(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
        std::vector<std::uint32_t> whole(13 * 9);
        for (std::uint32_t& p : whole) p = random() & FormatBits(format);
        Write(surface, RECT{0, 0, 13, 9}, whole);
        EXPECT_EQ(ReadAll(surface), whole);
        // A rectangle written through its own lock changes that rectangle only.
        const RECT part{3, 2, 10, 7};
        std::vector<std::uint32_t> patch(7 * 5);
        for (std::uint32_t& p : patch) p = random() & FormatBits(format);
        Write(surface, part, patch);
        for (int y = part.top; y < part.bottom; ++y) {
            for (int x = part.left; x < part.right; ++x) whole[y * 13 + x] = patch[(y - part.top) * 7 + x - part.left];
        }
        EXPECT_EQ(ReadAll(surface), whole);
        EXPECT_EQ(Read(surface, part), patch);
    }
    IDirectDrawSurface7* depth = DepthSurface(5, 4);
    std::vector<std::uint32_t> z(20);
    for (std::uint32_t& v : z) v = random() & 0xFFFFu;
    Write(depth, RECT{0, 0, 5, 4}, z);
    EXPECT_EQ(ReadAll(depth), z);
}

TEST_F(VideoSurfaceTest, RectanglesOutsideTheSurfaceAreRefused) {
    IDirectDrawSurface7* surface = Surface(16, 8, kR5G6B5);
    IDirectDrawSurface7* source = SystemSurface(4, 4, kR5G6B5);
    Fill(surface, 0x1234);
    const RECT outside[] = {{-1, 0, 4, 4}, {0, 0, 17, 8}, {0, 0, 16, 9}, {5, 5, 5, 6}, {6, 2, 4, 4}};
    for (RECT r : outside) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        EXPECT_EQ(surface->Lock(&r, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
        EXPECT_EQ(desc.lpSurface, nullptr);
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        EXPECT_NE(surface->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
        EXPECT_EQ(surface->Blt(nullptr, source, &r, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    }
    EXPECT_EQ(surface->BltFast(13, 0, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(surface->BltFast(0, 5, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    for (std::uint32_t p : ReadAll(surface)) ASSERT_EQ(p, 0x1234u);
}

TEST_F(VideoSurfaceTest, FillsUploadsAndCopiesMoveRawPixels) {
    IDirectDrawSurface7* surface = Surface(8, 4, kA4R4G4B4);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x9A5C;
    RECT left{0, 0, 4, 4};
    ASSERT_EQ(surface->Blt(&left, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    fx.dwFillColor = 0x0000;
    RECT right{4, 0, 8, 4};
    ASSERT_EQ(surface->Blt(&right, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    const std::vector<std::uint32_t> filled = ReadAll(surface);
    EXPECT_EQ(filled[0], 0x9A5Cu);
    EXPECT_EQ(filled[7], 0u);

    // A keyed upload from system memory skips key pixels.
    IDirectDrawSurface7* system = SystemSurface(4, 1, kA4R4G4B4);
    Write(system, RECT{0, 0, 4, 1}, {0x1111, 0xF0F0, 0x2222, 0xF0F0});
    DDCOLORKEY key{0xF0F0, 0xF0F0};
    ASSERT_EQ(system->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(surface->BltFast(2, 1, system, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Read(surface, RECT{2, 1, 6, 2}), (std::vector<std::uint32_t>{0x1111, 0x9A5C, 0x2222, 0}));

    // Copies out of video memory into system memory, and a stretch between video surfaces.
    IDirectDrawSurface7* back = SystemSurface(8, 4, kA4R4G4B4);
    ASSERT_EQ(back->BltFast(0, 0, surface, nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadAll(back), ReadAll(surface));
    IDirectDrawSurface7* wide = Surface(16, 8, kA4R4G4B4);
    ASSERT_EQ(wide->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const std::vector<std::uint32_t> small = ReadAll(surface);
    const std::vector<std::uint32_t> big = ReadAll(wide);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) ASSERT_EQ(big[y * 16 + x], small[(y / 2) * 8 + x / 2]) << x << ", " << y;
    }

    // Load copies a rectangle between surfaces of one format and refuses another format.
    IDirect3DDevice7* device = Device(Surface(8, 8, kX8R8G8B8));
    ASSERT_NE(device, nullptr);
    IDirectDrawSurface7* loaded = Surface(8, 4, kA4R4G4B4);
    Fill(loaded, 0x7777);
    POINT at{5, 2};
    RECT from{0, 0, 3, 2};
    ASSERT_EQ(device->Load(loaded, &at, surface, &from, 0), D3D_OK);
    EXPECT_EQ(Read(loaded, RECT{5, 2, 8, 4}), Read(surface, from));
    EXPECT_EQ(Read(loaded, RECT{0, 0, 5, 1}), std::vector<std::uint32_t>(5, 0x7777u));
    EXPECT_EQ(device->Load(Surface(8, 4, kR5G6B5), nullptr, surface, nullptr, 0), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(VideoSurfaceTest, ALostContextIsReportedAsLostSurfacesUntilRestored) {
    IDirectDrawSurface7* target = Surface(8, 8, kX8R8G8B8);
    IDirectDrawSurface7* texture = Surface(4, 4, kX8R8G8B8);
    Fill(target, 0x123456);
    IDirect3DDevice7* device = Device(target);
    ASSERT_NE(device, nullptr);
    device->SetTexture(0, texture);
    LoseGlContext();
    EXPECT_EQ(target->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(texture->IsLost(), DDERR_SURFACELOST);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    auto quad = QuadVertices(0, 0, 8, 8, 0xFFFFFFFFu);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0), DDERR_SURFACELOST);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    EXPECT_EQ(target->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACELOST);

    ASSERT_EQ(target->Restore(), DD_OK);
    ASSERT_EQ(texture->Restore(), DD_OK);
    EXPECT_EQ(target->IsLost(), DD_OK);
    EXPECT_EQ(ReadAll(target), std::vector<std::uint32_t>(64, 0u));  // restored memory starts empty
    Fill(texture, 0xFF00FF);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, kTexturedFvf, quad.data(), 6, 0), D3D_OK);
    EXPECT_EQ(ReadAll(target)[9] & 0xFFFFFFu, 0xFF00FFu);
}

}  // namespace
