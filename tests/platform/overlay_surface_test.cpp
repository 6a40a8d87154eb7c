// Overlays of the display stand-in: offered only while the test hook says so (the display
// offers none by itself); the older interface, capabilities and overlay surfaces that go
// with the offer; UpdateOverlay's answers; an overlay shown over the primary drawn into
// the window's picture, scaled, following its new pixels and gone when hidden or released;
// and the clip box of a window's device context.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ddraw.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/overlay_testing.h"
#include "platform/window.h"
#include "tests/platform/directdraw_fixture.h"

namespace {

constexpr std::uint16_t kRed565 = 0xF800, kBlue565 = 0x001F, kGreen565 = 0x07E0;

class OverlaySurfaces : public DirectDrawFixture {
protected:
    void SetUp() override {
        DirectDrawFixture::SetUp();
        ASSERT_NE(MakeWindow(100, 50, 320, 240), nullptr);
        ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
    }
    void TearDown() override {
        for (IDirectDrawSurface7* s : made_) s->Release();
        DirectDrawFixture::TearDown();
    }
    IDirectDrawSurface7* Keep(IDirectDrawSurface7* s) {
        if (s != nullptr) made_.push_back(s);
        return s;
    }
    HRESULT MakeOverlay(int width, int height, const DDPIXELFORMAT& format, IDirectDrawSurface7** surface) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
        desc.ddpfPixelFormat = format;
        *surface = nullptr;
        return dd_->CreateSurface(&desc, surface, nullptr);
    }
    IDirectDrawSurface7* Primary() {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        IDirectDrawSurface7* primary = nullptr;
        EXPECT_EQ(dd_->CreateSurface(&desc, &primary, nullptr), DD_OK);
        IDirectDrawClipper* clipper = nullptr;
        EXPECT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
        clipper->SetHWnd(0, window_);
        primary->SetClipper(clipper);
        clipper->Release();
        return Keep(primary);
    }
    static DDPIXELFORMAT Rgb(DWORD bits, DWORD r, DWORD g, DWORD b) {
        DDPIXELFORMAT f{};
        f.dwSize = sizeof f;
        f.dwFlags = DDPF_RGB;
        f.dwRGBBitCount = bits;
        f.dwRBitMask = r;
        f.dwGBitMask = g;
        f.dwBBitMask = b;
        return f;
    }
    // Fills the overlay: the left half of each row `left`, the right half `right`.
    static void Fill(IDirectDrawSurface7* overlay, std::uint16_t left, std::uint16_t right) {
        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof locked;
        ASSERT_EQ(overlay->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), DD_OK);
        for (DWORD y = 0; y < locked.dwHeight; ++y) {
            auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.lpSurface) + y * locked.lPitch);
            for (DWORD x = 0; x < locked.dwWidth; ++x) row[x] = x < locked.dwWidth / 2 ? left : right;
        }
        ASSERT_EQ(overlay->Unlock(nullptr), DD_OK);
    }
    std::vector<IDirectDrawSurface7*> made_;
};

TEST_F(OverlaySurfaces, TheDisplayOffersNoOverlaysByItself) {
    void* older = nullptr;
    EXPECT_EQ(dd_->QueryInterface(IID_IDirectDraw, &older), E_NOINTERFACE);
    DDCAPS caps{};
    ASSERT_EQ(dd_->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_EQ(caps.dwCaps & DDCAPS_OVERLAY, 0u);
    IDirectDrawSurface7* overlay = nullptr;
    EXPECT_EQ(MakeOverlay(16, 16, Rgb(16, 0xF800, 0x07E0, 0x001F), &overlay), DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(overlay, nullptr);
}

TEST_F(OverlaySurfaces, AnOfferBringsTheOlderInterfaceCapabilitiesAndOverlaySurfaces) {
    OfferOverlays offer(DDCAPS_ALIGNBOUNDARYDEST | DDCAPS_ALIGNSIZESRC, 2, 8, 4, 16);
    void* older = nullptr;
    ASSERT_EQ(dd_->QueryInterface(IID_IDirectDraw, &older), S_OK);
    static_cast<IDirectDraw7*>(older)->Release();
    DDCAPS caps{};
    ASSERT_EQ(dd_->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_EQ(caps.dwCaps, DDCAPS_OVERLAY | DDCAPS_OVERLAYFOURCC | DDCAPS_OVERLAYSTRETCH | DDCAPS_ALIGNBOUNDARYDEST |
                               DDCAPS_ALIGNSIZESRC);
    EXPECT_EQ(caps.dwMinOverlayStretch, 1u);
    EXPECT_EQ(caps.dwMaxOverlayStretch, 20000u);
    EXPECT_EQ(caps.dwAlignBoundarySrc, 2u);
    EXPECT_EQ(caps.dwAlignSizeSrc, 8u);
    EXPECT_EQ(caps.dwAlignBoundaryDest, 4u);
    EXPECT_EQ(caps.dwAlignSizeDest, 16u);
    for (const DDPIXELFORMAT& format : {Rgb(16, 0x7C00, 0x03E0, 0x001F), Rgb(16, 0xF800, 0x07E0, 0x001F)}) {
        IDirectDrawSurface7* overlay = nullptr;
        ASSERT_EQ(MakeOverlay(16, 16, format, &overlay), DD_OK);
        Keep(overlay);
        DDSCAPS2 made{};
        ASSERT_EQ(overlay->GetCaps(&made), DD_OK);
        EXPECT_EQ(made.dwCaps & (DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY),
                  DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY);
    }
    IDirectDrawSurface7* wide = nullptr;
    EXPECT_EQ(MakeOverlay(16, 16, Rgb(32, 0xFF0000, 0xFF00, 0xFF), &wide), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(OverlaySurfaces, UpdateOverlayAnswers) {
    OfferOverlays offer;
    IDirectDrawSurface7* primary = Primary();
    IDirectDrawSurface7* plain = Keep(Plain(16, 16, 16));
    IDirectDrawSurface7* overlay = nullptr;
    ASSERT_EQ(MakeOverlay(16, 8, Rgb(16, 0xF800, 0x07E0, 0x001F), &overlay), DD_OK);
    Keep(overlay);
    RECT inside{0, 0, 16, 8}, outside{0, 0, 17, 8}, target{110, 60, 142, 76}, empty{110, 60, 110, 76};
    struct Case {
        const char* what;
        IDirectDrawSurface7* surface;
        RECT* source;
        IDirectDrawSurface7* destination;
        RECT* destination_rect;
        DWORD flags;
        HRESULT result;
    };
    const Case cases[] = {
        {"on the primary", primary, &inside, primary, &target, DDOVER_SHOW, DDERR_NOTAOVERLAYSURFACE},
        {"neither show nor hide", overlay, &inside, primary, &target, 0, DDERR_INVALIDPARAMS},
        {"show and hide", overlay, &inside, primary, &target, DDOVER_SHOW | DDOVER_HIDE, DDERR_INVALIDPARAMS},
        {"over a surface that is no primary", overlay, &inside, plain, &target, DDOVER_SHOW, DDERR_INVALIDSURFACETYPE},
        {"source outside", overlay, &outside, primary, &target, DDOVER_SHOW, DDERR_INVALIDRECT},
        {"empty destination", overlay, &inside, primary, &empty, DDOVER_SHOW, DDERR_INVALIDRECT},
        {"shown", overlay, &inside, primary, &target, DDOVER_SHOW, DD_OK},
        {"shown whole", overlay, nullptr, primary, nullptr, DDOVER_SHOW, DD_OK},
        {"hidden", overlay, nullptr, primary, nullptr, DDOVER_HIDE, DD_OK},
        {"hidden again", overlay, nullptr, nullptr, nullptr, DDOVER_HIDE, DD_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.surface->UpdateOverlay(c.source, c.destination, c.destination_rect, c.flags, nullptr), c.result)
            << c.what;
    }
}

TEST_F(OverlaySurfaces, AShownOverlayIsDrawnScaledOverThePrimaryInTheWindow) {
    OfferOverlays offer;
    PresentCapture capture;
    IDirectDrawSurface7* primary = Primary();
    IDirectDrawSurface7* overlay = nullptr;
    ASSERT_EQ(MakeOverlay(8, 4, Rgb(16, 0xF800, 0x07E0, 0x001F), &overlay), DD_OK);
    Fill(overlay, kRed565, kBlue565);
    capture.Take();
    // Client area at (100, 50): twice the overlay's size at (10, 10) of the client.
    RECT source{0, 0, 8, 4}, target{110, 60, 126, 68};
    ASSERT_EQ(overlay->UpdateOverlay(&source, primary, &target, DDOVER_SHOW, nullptr), DD_OK);
    // Every shown picture: what the client holds there, 0x00RRGGBB.
    auto expect_shown = [&](std::uint32_t left, std::uint32_t right, const char* what) {
        const auto frames = capture.Take();
        ASSERT_FALSE(frames.empty()) << what;
        const auto& shown = frames.back();
        ASSERT_EQ(shown.width, 320);
        int wrong = 0;
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                std::uint32_t want = 0;
                if (x >= 10 && x < 26 && y >= 10 && y < 18) want = x < 18 ? left : right;
                if (shown.pixels[static_cast<std::size_t>(y) * 320 + x] != want) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << what;
    };
    expect_shown(0xFF0000, 0x0000FF, "shown");
    Fill(overlay, kGreen565, kRed565);
    expect_shown(0x00FF00, 0xFF0000, "new pixels");
    ASSERT_EQ(overlay->UpdateOverlay(nullptr, primary, nullptr, DDOVER_HIDE, nullptr), DD_OK);
    expect_shown(0, 0, "hidden");
    ASSERT_EQ(overlay->UpdateOverlay(&source, primary, &target, DDOVER_SHOW, nullptr), DD_OK);
    expect_shown(0x00FF00, 0xFF0000, "shown again");
    overlay->Release();
    expect_shown(0, 0, "released");
}

TEST_F(OverlaySurfaces, AWindowsClipBoxIsItsClientAreaOrWhatTheHookSays) {
    HDC dc = GetDC(window_);
    ASSERT_NE(dc, nullptr);
    RECT box{1, 1, 1, 1};
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 320);
    EXPECT_EQ(box.bottom, 240);
    {
        WindowClipRegion covered(COMPLEXREGION);
        EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    }
    {
        WindowClipRegion none(NULLREGION);
        EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
        EXPECT_EQ(box.right - box.left, 0);
    }
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    ReleaseDC(window_, dc);
    EXPECT_EQ(GetClipBox(GetDC(nullptr), &box), ERROR_REGION);
}

}  // namespace
