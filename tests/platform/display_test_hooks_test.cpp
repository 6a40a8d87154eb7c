// The display stand-in's test hooks for the draw paths: surface locks that fail after a
// number of successes (and work again when the hook goes), 16-bit display modes reported
// as X1R5G5B5, and video memory.
#include <gtest/gtest.h>

#include <optional>

#include "platform/ddraw.h"
#include "platform/kernel.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/manual_clock.h"
#include "platform/window.h"
#include "tests/platform/directdraw_fixture.h"

namespace {

class DisplayHooks : public DirectDrawFixture {
protected:
    void SetUp() override {
        DirectDrawFixture::SetUp();
        ASSERT_NE(MakeWindow(0, 0, 640, 480), nullptr);
    }
};

TEST_F(DisplayHooks, LocksFailAfterTheGivenSuccessesWhileTheHookLives) {
    ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface7* surface = Plain(8, 4);
    ASSERT_NE(surface, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    {
        FailSurfaceLocks fail(2);
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK) << i;
            ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
        }
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        EXPECT_EQ(desc.lpSurface, nullptr);
        EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
        // Fills and copies do not lock: they still work.
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    }
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    surface->Release();
}

TEST_F(DisplayHooks, SixteenBitModesReportX1R5G5B5WhileTheHookLives) {
    ManualClock clock(1000);
    ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    struct Case {
        bool as_555;
        DWORD red, green, blue;
    };
    const Case cases[] = {{true, 0x7C00, 0x03E0, 0x001F}, {false, 0xF800, 0x07E0, 0x001F}};
    for (const Case& c : cases) {
        {
            std::optional<SixteenBitDisplayAs555> display;
            if (c.as_555) display.emplace();
            ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
            DDSURFACEDESC2 mode{};
            mode.dwSize = sizeof mode;
            ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
            EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
            EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, c.red);
            EXPECT_EQ(mode.ddpfPixelFormat.dwGBitMask, c.green);
            EXPECT_EQ(mode.ddpfPixelFormat.dwBBitMask, c.blue);
            IDirectDrawSurface7* surface = Plain(4, 2);  // surfaces take the display's format
            ASSERT_NE(surface, nullptr);
            DDPIXELFORMAT format{};
            ASSERT_EQ(surface->GetPixelFormat(&format), DD_OK);
            EXPECT_EQ(format.dwGBitMask, c.green);
            surface->Release();
        }
    }
    ASSERT_EQ(dd_->RestoreDisplayMode(), DD_OK);
}

TEST_F(DisplayHooks, VideoMemoryWhileTheHookLives) {
    ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
    struct Case {
        DWORD asked;
        HRESULT without;  // the result without video memory
        DWORD memory;     // the memory kind reported with it
    };
    const Case cases[] = {
        {DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY, DDSCAPS_VIDEOMEMORY},
        {DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, DD_OK, DDSCAPS_VIDEOMEMORY},
        {DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, DD_OK, DDSCAPS_SYSTEMMEMORY},
        {DDSCAPS_OFFSCREENPLAIN, DD_OK, DDSCAPS_SYSTEMMEMORY},
    };
    for (const Case& c : cases) {
        for (bool with : {false, true}) {
            std::optional<DisplayWithVideoMemory> video;
            if (with) video.emplace();
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof desc;
            desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
            desc.dwWidth = 4;
            desc.dwHeight = 4;
            desc.ddsCaps.dwCaps = c.asked;
            IDirectDrawSurface7* surface = nullptr;
            const HRESULT made = dd_->CreateSurface(&desc, &surface, nullptr);
            EXPECT_EQ(made, with ? DD_OK : c.without) << c.asked;
            if (surface == nullptr) continue;
            DDSCAPS2 caps{};
            ASSERT_EQ(surface->GetCaps(&caps), DD_OK);
            const DWORD memory = caps.dwCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY);
            EXPECT_EQ(memory, with ? c.memory : DDSCAPS_SYSTEMMEMORY) << c.asked;
            surface->Release();
        }
    }
}

}  // namespace
