// The DirectDraw stand-in on its own: padded pitch and locks, raw colour and depth fills,
// keyed and stretched copies, the flip chain, lost surfaces and Restore, refused 3-D,
// display modes with WM_DISPLAYCHANGE, and the virtual vertical blank on the manual clock.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ddraw.h"
#include "platform/kernel.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/window_testing.h"
#include "tests/platform/directdraw_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

class DirectDrawTest : public DirectDrawFixture {
protected:
    HWND MakeWindow(int width, int height, DWORD style = WS_POPUP) {
        return DirectDrawFixture::MakeWindow(40, 30, width, height, style);
    }

    // Reads the 16-bit pixels of a surface row by row.
    static std::vector<std::uint16_t> Pixels16(IDirectDrawSurface7* surface) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::vector<std::uint16_t> out;
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const auto* row = reinterpret_cast<const std::uint16_t*>(static_cast<const std::uint8_t*>(desc.lpSurface) +
                                                                     y * desc.lPitch);
            out.insert(out.end(), row, row + desc.dwWidth);
        }
        surface->Unlock(nullptr);
        return out;
    }

    static void Fill(IDirectDrawSurface7* surface, RECT* rect, DWORD value) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = value;
        ASSERT_EQ(surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    }
};

TEST_F(DirectDrawTest, ThreeDimensionalAndOlderInterfacesAreRefused) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dd_->QueryInterface(IID_IDirectDraw, &out), E_NOINTERFACE);
    EXPECT_EQ(dd_->Initialize(nullptr), DDERR_ALREADYINITIALIZED);
}

TEST_F(DirectDrawTest, SurfacesNeedACooperativeLevelAndLiveInSystemMemory) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface7* surface = reinterpret_cast<IDirectDrawSurface7*>(1);
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(surface, nullptr);
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DDERR_OUTOFVIDEOMEMORY);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDSCAPS2 caps{};
    surface->GetCaps(&caps);
    EXPECT_NE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
    EXPECT_EQ(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    // Without a pixel format the surface takes the desktop's 32-bit format.
    DDPIXELFORMAT format{};
    surface->GetPixelFormat(&format);
    EXPECT_EQ(format.dwRGBBitCount, 32u);
    EXPECT_EQ(format.dwRBitMask, 0xFF0000u);
    surface->Release();
}

TEST_F(DirectDrawTest, LockGivesTheRectanglesFirstByteAndTheFullPaddedPitch) {
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* surface = Plain(10, 4, 16);
    DDSURFACEDESC2 whole{};
    whole.dwSize = sizeof whole;
    ASSERT_EQ(surface->Lock(nullptr, &whole, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_GT(whole.lPitch, 20);
    EXPECT_EQ(whole.lPitch % 4, 0);
    EXPECT_EQ(whole.dwWidth, 10u);
    auto* base = static_cast<std::uint8_t*>(whole.lpSurface);
    // A second lock while locked is refused and hands out no pointer.
    DDSURFACEDESC2 again{};
    again.dwSize = sizeof again;
    again.lpSurface = base;
    EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(again.lpSurface, nullptr);
    ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);

    RECT part{3, 2, 7, 4};
    DDSURFACEDESC2 piece{};
    piece.dwSize = sizeof piece;
    ASSERT_EQ(surface->Lock(&part, &piece, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(piece.lpSurface, base + 2 * whole.lPitch + 3 * 2);
    EXPECT_EQ(piece.lPitch, whole.lPitch);
    surface->Unlock(nullptr);

    RECT outside{8, 0, 11, 1};
    piece.lpSurface = base;
    EXPECT_EQ(surface->Lock(&outside, &piece, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(piece.lpSurface, nullptr);
    surface->Release();
}

TEST_F(DirectDrawTest, ColourAndDepthFillsWriteTheRawValueIntoTheRectangleOnly) {
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* surface = Plain(4, 3, 16);
    Fill(surface, nullptr, 0x1234);
    RECT rect{1, 1, 3, 2};
    Fill(surface, &rect, 0xF81F);
    const std::vector<std::uint16_t> expected = {0x1234, 0x1234, 0x1234, 0x1234,  //
                                                 0x1234, 0xF81F, 0xF81F, 0x1234,  //
                                                 0x1234, 0x1234, 0x1234, 0x1234};
    EXPECT_EQ(Pixels16(surface), expected);
    RECT bad{2, 0, 5, 1};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    EXPECT_EQ(surface->Blt(&bad, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = 4;
    desc.dwHeight = 3;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
    desc.ddpfPixelFormat.dwZBufferBitDepth = 16;
    desc.ddpfPixelFormat.dwZBitMask = 0xFFFF;
    IDirectDrawSurface7* depth = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&desc, &depth, nullptr), DD_OK);
    fx.dwFillDepth = 0xFFFF;
    ASSERT_EQ(depth->Blt(nullptr, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Pixels16(depth), std::vector<std::uint16_t>(12, 0xFFFF));
    ASSERT_EQ(surface->AddAttachedSurface(depth), DD_OK);
    DDSCAPS2 z_caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* attached = nullptr;
    ASSERT_EQ(surface->GetAttachedSurface(&z_caps, &attached), DD_OK);
    EXPECT_EQ(attached, depth);
    attached->Release();
    EXPECT_EQ(surface->DeleteAttachedSurface(0, depth), DD_OK);
    EXPECT_EQ(surface->DeleteAttachedSurface(0, depth), DDERR_NOTFOUND);
    depth->Release();
    surface->Release();
}

TEST_F(DirectDrawTest, BltFastSkipsSourceKeyPixelsOnlyWhenAsked) {
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* source = Plain(3, 1, 16);
    IDirectDrawSurface7* target = Plain(4, 2, 16);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(source->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const std::uint16_t row[3] = {0x0001, 0x0000, 0x0003};
    std::memcpy(desc.lpSurface, row, sizeof row);
    source->Unlock(nullptr);
    Fill(target, nullptr, 0x7777);

    EXPECT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
    DDCOLORKEY key{0, 0};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(target->BltFast(1, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    RECT first_two{0, 0, 2, 1};
    ASSERT_EQ(target->BltFast(0, 1, source, &first_two, DDBLTFAST_NOCOLORKEY), DD_OK);
    const std::vector<std::uint16_t> expected = {0x7777, 0x0001, 0x7777, 0x0003,  //
                                                 0x0001, 0x0000, 0x7777, 0x7777};
    EXPECT_EQ(Pixels16(target), expected);
    // No stretch and no clipping: a copy past the edge is refused.
    EXPECT_EQ(target->BltFast(2, 0, source, nullptr, DDBLTFAST_NOCOLORKEY), DDERR_INVALIDRECT);
    source->Release();
    target->Release();
}

TEST_F(DirectDrawTest, BltStretchesNearestNeighbourAndRefusesALockedSource) {
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* source = Plain(2, 2, 16);
    IDirectDrawSurface7* target = Plain(4, 4, 16);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(source->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    auto* bytes = static_cast<std::uint8_t*>(desc.lpSurface);
    const std::uint16_t top[2] = {1, 2};
    const std::uint16_t bottom[2] = {3, 4};
    std::memcpy(bytes, top, 4);
    std::memcpy(bytes + desc.lPitch, bottom, 4);
    RECT all{0, 0, 4, 4};
    EXPECT_EQ(target->Blt(&all, source, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    source->Unlock(nullptr);
    ASSERT_EQ(target->Blt(&all, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const std::vector<std::uint16_t> expected = {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4};
    EXPECT_EQ(Pixels16(target), expected);
    IDirectDrawSurface7* wide = Plain(2, 2, 32);
    EXPECT_EQ(target->Blt(&all, wide, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPIXELFORMAT);
    wide->Release();
    source->Release();
    target->Release();
}

TEST_F(DirectDrawTest, LostSurfacesRefuseWorkUntilRestored) {
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* surface = Plain(4, 2, 16);
    Fill(surface, nullptr, 0x4321);
    EXPECT_EQ(surface->IsLost(), DD_OK);
    LoseAllDirectDrawSurfaces();
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(desc.lpSurface, nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACELOST);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACELOST);
    ASSERT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->IsLost(), DD_OK);
    // The contents after a loss are undefined; here they come back cleared.
    EXPECT_EQ(Pixels16(surface), std::vector<std::uint16_t>(8, 0));
    surface->Release();
}

TEST_F(DirectDrawTest, FlipSwapsMemoryWhileTheBackBufferInterfaceKeepsItsRole) {
    ManualClock clock(1000);
    HWND window = MakeWindow(640, 480);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 back_caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&back_caps, &back), DD_OK);
    DDSURFACEDESC2 back_desc{};
    back_desc.dwSize = sizeof back_desc;
    back->GetSurfaceDesc(&back_desc);
    EXPECT_EQ(back_desc.dwWidth, 640u);
    EXPECT_EQ(back_desc.ddpfPixelFormat.dwRGBBitCount, 16u);

    PresentCapture capture;
    Fill(primary, nullptr, 0x1111);
    Fill(back, nullptr, 0x2222);
    capture.Take();
    const std::uint64_t before = clock.Nanoseconds();
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    // A waiting flip lands at the start of the next vertical blank.
    EXPECT_GT(clock.Nanoseconds(), before);
    EXPECT_EQ(clock.Nanoseconds() % 16666667u, 0u);
    EXPECT_EQ(Pixels16(primary).front(), 0x2222);
    EXPECT_EQ(Pixels16(back).front(), 0x1111);
    // The full-screen window shows the new front buffer.
    const auto frames = capture.Take();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().width, 640);
    EXPECT_EQ(frames.back().pixels[0], 0x214510u);  // 0x2222 widened: red 4, green 17, blue 2

    const std::uint64_t no_wait = clock.Nanoseconds();
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_NOVSYNC), DD_OK);
    EXPECT_EQ(clock.Nanoseconds(), no_wait);
    EXPECT_EQ(Pixels16(primary).front(), 0x1111);
    EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
    back->Release();
    primary->Release();
}

TEST_F(DirectDrawTest, DisplayModesNeedExclusiveLevelAndAnnounceChanges) {
    HWND window = MakeWindow(640, 480);
    ASSERT_NE(window, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(dd_->SetCooperativeLevel(window, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    {
        RefuseDisplayModes refuse({{640, 480, 16, 60}});
        EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 60, 0), DDERR_INVALIDMODE);
        EXPECT_EQ(dd_->SetDisplayMode(640, 480, 24, 0, 0), DDERR_INVALIDMODE);
        ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    }
    bool announced = false;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
        if (msg.message == WM_DISPLAYCHANGE) {
            announced = true;
            EXPECT_EQ(msg.wParam, 16u);
            EXPECT_EQ(msg.lParam, MAKELPARAM(640, 480));
        }
    }
    EXPECT_TRUE(announced);
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);
    // Back to the normal level: the desktop mode returns.
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);
}

TEST_F(DirectDrawTest, VerticalBlankTogglesAndTheScanLineAdvancesOnTheManualClock) {
    ManualClock clock(0);
    BOOL blank = FALSE;
    ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    ASSERT_EQ(dd_->GetVerticalBlankStatus(&blank), DD_OK);
    EXPECT_TRUE(blank);
    // Polling costs time, so a poll loop always sees the blank end and begin again.
    int polls = 0;
    do {
        ASSERT_EQ(dd_->GetVerticalBlankStatus(&blank), DD_OK);
        ++polls;
    } while (blank && polls < 1000);
    EXPECT_FALSE(blank);
    DWORD first = 0;
    DWORD later = 0;
    ASSERT_EQ(dd_->GetScanLine(&first), DD_OK);
    clock.AdvanceMs(5);
    ASSERT_EQ(dd_->GetScanLine(&later), DD_OK);
    EXPECT_GT(later, first);
    const std::uint64_t before = clock.Nanoseconds();
    ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    EXPECT_EQ(clock.Nanoseconds() % 16666667u, 0u);
    EXPECT_LT(clock.Nanoseconds() - before, 16666667u);
    EXPECT_EQ(dd_->WaitForVerticalBlank(0x80, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
