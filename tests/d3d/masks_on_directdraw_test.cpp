// Masks on DirectDraw surfaces with the renderer up and texture graphs off: the use
// switch places the target on its surface (the client area on the desktop for the front
// buffer); the brackets keep the target in the work surface and put the drawing back only
// where the mask allows, also reversed, never for the key value, on a graph held in a
// MEMIMG, on a derived graph at its place and through a work surface in video memory; a
// draw past the screen's edge is masked inside it (here and in software mode).
#include <gtest/gtest.h>

#include <cstring>

#include "engine/app/window_modes.h"
#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/display_testing.h"
#include "tests/d3d/directdraw_graphs.h"
#include "tests/graphics/mask_rectangle.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using mask_test::AllowTheSmallRectangle;
using mask_test::InSmallRectangle;

namespace {

// A 32-bit MEMIMG's pixel (x, y) as 0x00RRGGBB.
std::uint32_t MemImgRgb(const MEMIMG* image, int x, int y) {
    std::uint32_t raw = 0;
    std::memcpy(&raw, image->pixels + y * image->block->pitch + x * 4, 4);
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    SplitColorValueInFormat(image->block->format, raw, &r, &g, &b, &a);
    return r << 16 | g << 8 | b;
}

TEST(Masks, TheUseSwitchPlacesTheTargetOnItsSurface) {
    EngineSession session;
    // DirectDraw output surfaces: the front buffer is the desktop.
    if (!d3d_test::StartWithDirectDrawGraphs()) return;
    RECT client{};
    GetScreenClientRect(&client);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    ASSERT_EQ(SetupMaskScreen(1), 0);
    struct Case {
        int target;
        int request;
        RECT want;
    };
    for (const Case& c : {Case{kDrawTargetFront, 0, client}, Case{kDrawTargetFront, 1, RECT{0, 0, 640, 480}},
                          Case{kDrawTargetBack, 0, RECT{0, 0, 640, 480}}}) {
        ASSERT_EQ(ApiChooseDrawTarget(c.target), 0);
        GetMaskScreenState()->request = c.request;
        ASSERT_EQ(SetMaskScreenUse(1), 0);
        const RECT got = GetDrawSettings()->target_screen_rect;
        EXPECT_EQ(got.left, c.want.left) << c.target << " " << c.request;
        EXPECT_EQ(got.top, c.want.top) << c.target << " " << c.request;
        EXPECT_EQ(got.right, c.want.right) << c.target << " " << c.request;
        EXPECT_EQ(got.bottom, c.want.bottom) << c.target << " " << c.request;
    }
    GetMaskScreenState()->request = 0;
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

using d3d_test::BackSurfacePixel;

// Fills a rectangle of a DirectDraw surface with a raw 32-bit value.
void FillSurface(IDirectDrawSurface7* surface, const RECT& rect, std::uint32_t raw) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_TRUE(SUCCEEDED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr)));
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            std::memcpy(static_cast<std::uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * 4, &raw, 4);
        }
    }
    surface->Unlock(nullptr);
}

// The screen started with DirectDraw output surfaces at 32 bits; the mask request is
// withdrawn before the engine ends.
class MasksOnDirectDraw : public ::testing::Test {
protected:
    void SetUp() override {
        up_ = d3d_test::StartWithDirectDrawGraphs();
        if (!up_) return;
        ASSERT_EQ(GetScreenBitDepth(), 32);
    }
    void TearDown() override {
        GetMaskScreenState()->request = 0;
        if (up_) {
            EXPECT_EQ(ApiTerminateLibrary(), 0);
        }
        SetDirect3DRendererEnabled(0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
    EngineSession session_;
    bool up_ = false;
};

// Outside software mode the working copies draw into the work surface while the mask is
// active; the brackets keep the target there first and put the drawing back only where
// the mask allows.
TEST_F(MasksOnDirectDraw, OnDirectDrawSurfacesTheMaskDecidesWhereADrawLands) {
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    FillSurface(GetScreenState()->back, RECT{0, 0, 64, 64}, 0x102030);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_NE(GetMaskWorkSurface(), nullptr);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    ASSERT_EQ(IsMaskScreenActive(), 1);
    AllowTheSmallRectangle(mask);
    ASSERT_EQ(BeginMaskedDraw(20, 20, 0, 0), 0);  // corners in either order
    // The work surface now holds the target, and the drawing lands on it.
    EXPECT_EQ(BackSurfacePixel(19, 19, GetMaskWorkSurface()), 0x102030u);
    EXPECT_NE(BackSurfacePixel(20, 20, GetMaskWorkSurface()), 0x102030u);
    FillSurface(GetMaskWorkSurface(), RECT{0, 0, 20, 20}, 0xFFFF00);
    EXPECT_EQ(BackSurfacePixel(10, 10), 0x102030u);
    ASSERT_EQ(EndMaskedDraw(0, 0, 20, 20), 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(BackSurfacePixel(x, y), InSmallRectangle(x, y) ? 0xFFFF00u : 0x102030u) << x << "," << y;
        }
    }
}

// A graph held in system memory is drawn into as a MEMIMG; outside software mode the
// brackets keep it in the work surface through the conversion blit and put the drawing
// back into it where the mask allows.
TEST_F(MasksOnDirectDraw, OnAGraphHeldInAMemImgOutsideSoftwareModeTheMaskDecidesToo) {
    ASSERT_EQ(SetGraphSystemMemoryFlag(1), 0);
    const int graph = CreateBlankGraph(32, 32, 1);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(ApiChooseDrawTarget(graph), 0);
    MEMIMG* image = GetScreenState()->target_image;
    ASSERT_NE(image, nullptr);
    FillMemImgRectRaw(image, nullptr, MakeColorValueInFormat(image->block->format, 0x10, 0x20, 0x30, 255));
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    AllowTheSmallRectangle(mask);
    ASSERT_EQ(BeginMaskedDraw(0, 0, 20, 20), 0);
    EXPECT_EQ(BackSurfacePixel(19, 19, GetMaskWorkSurface()), 0x102030u);  // the graph, kept
    FillSurface(GetMaskWorkSurface(), RECT{0, 0, 20, 20}, 0xFFFF00);
    ASSERT_EQ(EndMaskedDraw(0, 0, 20, 20), 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(MemImgRgb(image, x, y), InSmallRectangle(x, y) ? 0xFFFF00u : 0x102030u) << x << "," << y;
        }
    }
}

// A draw target that is a sub-rectangle of a larger DirectDraw image (a derived graph)
// sits at its origin on that image; the drawing into the work surface sits there too, so
// the brackets keep and put back the pixels at that place, and nothing outside the target
// changes.
TEST_F(MasksOnDirectDraw, ADerivedGraphOnADirectDrawImageIsMaskedAtItsPlace) {
    const int parent = CreateBlankGraph(64, 64, 1);
    ASSERT_GT(parent, 0);
    const int child = DeriveGraph(24, 16, 32, 32, parent);
    ASSERT_GT(child, 0);
    SurfaceData* data = GetSurfaceData(GetSurface2DRecord(GetGraphRecord(parent)->pieces[0])->surface_data);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->surface, nullptr);
    FillSurface(data->surface, RECT{0, 0, 64, 64}, 0x102030);
    ASSERT_EQ(ApiChooseDrawTarget(child), 0);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    ASSERT_EQ(IsMaskScreenActive(), 1);
    AllowTheSmallRectangle(mask);  // (8, 8)-(16, 12) of the child
    ASSERT_EQ(DrawRectangle(0, 0, 20, 20, MakeColorValue(255, 255, 0), 1), 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool drawn = InSmallRectangle(x - 24, y - 16);
            EXPECT_EQ(BackSurfacePixel(x, y, data->surface), drawn ? 0xFFFF00u : 0x102030u) << x << "," << y;
        }
    }
}

// A work surface in video memory is read back through the screen's work surface; the
// graph held in a MEMIMG gets the drawing only where the mask allows, the rest as it was.
TEST(Masks, AWorkSurfaceInVideoMemoryIsReadBackThroughTheScreensWorkSurface) {
    EngineSession session;
    DisplayWithVideoMemory video;
    if (!d3d_test::StartWithDirectDrawGraphs()) return;
    ASSERT_EQ(GetScreenBitDepth(), 32);
    ASSERT_EQ(SetGraphSystemMemoryFlag(1), 0);
    const int graph = CreateBlankGraph(32, 32, 1);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(ApiChooseDrawTarget(graph), 0);
    MEMIMG* image = GetScreenState()->target_image;
    ASSERT_NE(image, nullptr);
    const std::uint32_t before = MakeColorValueInFormat(image->block->format, 0x10, 0x20, 0x30, 255);
    FillMemImgRectRaw(image, nullptr, before);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(mask->work_in_video_memory, 1);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    AllowTheSmallRectangle(mask);
    // Whatever the screen's work surface held before does not reach the graph.
    FillSurface(GetScreenState()->work, RECT{0, 0, 64, 64}, 0x00FF00);
    ASSERT_EQ(BeginMaskedDraw(0, 0, 20, 20), 0);
    FillSurface(GetMaskWorkSurface(), RECT{2, 2, 18, 18}, 0xFFFF00);
    ASSERT_EQ(EndMaskedDraw(0, 0, 20, 20), 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(MemImgRgb(image, x, y), InSmallRectangle(x, y) ? 0xFFFF00u : 0x102030u) << x << "," << y;
        }
    }
    mask->request = 0;
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// The mask covers the screen: on a target larger than the screen a draw that reaches past
// the screen's edge is masked inside it and reads no mask byte outside it (in software mode,
// and for a graph held in a MEMIMG outside it).
void DrawPastTheScreensEdge(int software) {
    EngineSession session;
    if (software) {
        // With the renderer switched off the screen falls back to software rendering.
        SetDirect3DRendererEnabled(0);
        ASSERT_EQ(ApiInitializeLibrary(), 0);
    } else if (!d3d_test::StartWithDirectDrawGraphs()) {
        return;
    }
    ASSERT_EQ(GetScreenState()->software_render, software);
    ASSERT_EQ(SetGraphSystemMemoryFlag(1), 0);
    const int graph = CreateBlankGraph(700, 520, 1);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(ApiChooseDrawTarget(graph), 0);
    MEMIMG* image = GetScreenState()->target_image;
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, 700);
    const ColorFormat* format = image->block->format;
    FillMemImgRectRaw(image, nullptr, MakeColorValueInFormat(format, 0x10, 0x20, 0x30, 255));
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    // Allowed: two pixels in the screen's bottom-right corner and (8, 8)-(16, 12).
    AllowTheSmallRectangle(mask);
    mask->bytes[479 * mask->pitch + 639] = 1;
    mask->bytes[479 * mask->pitch + 638] = 1;
    ASSERT_EQ(BeginMaskedDraw(0, 0, 700, 520), 0);
    const std::uint32_t yellow = MakeColorValueInFormat(format, 255, 255, 0, 255);
    if (software) {
        FillMemImgRectRaw(image, nullptr, yellow);
    } else {
        FillSurface(GetMaskWorkSurface(), RECT{0, 0, 640, 480}, 0xFFFF00);
    }
    ASSERT_EQ(EndMaskedDraw(0, 0, 700, 520), 0);
    struct Probe {
        int x, y;
        bool drawn;
    };
    for (const Probe& p : {Probe{0, 0, false}, Probe{8, 8, true}, Probe{15, 11, true}, Probe{16, 11, false},
                           Probe{637, 479, false}, Probe{638, 479, true}, Probe{639, 479, true},
                           Probe{639, 478, false}}) {
        EXPECT_EQ(MemImgRgb(image, p.x, p.y), p.drawn ? 0xFFFF00u : 0x102030u) << software << " " << p.x << "," << p.y;
    }
    mask->request = 0;
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(Masks, ADrawPastTheScreensEdgeIsMaskedInsideIt) { DrawPastTheScreensEdge(1); }
TEST(Masks, ADrawPastTheScreensEdgeIsMaskedInsideItOnAMemImgOutsideSoftwareMode) { DrawPastTheScreensEdge(0); }

// On DirectDraw surfaces the reversed mask lets the drawing through where the mask bytes
// are 0, and a drawn pixel of the key value (raw 0) never reaches the target.
TEST_F(MasksOnDirectDraw, OnDirectDrawSurfacesTheReversedMaskAndTheKeyValue) {
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    AllowTheSmallRectangle(mask);
    for (const int reverse : {0, 1}) {
        mask->reverse = reverse;
        FillSurface(GetScreenState()->back, RECT{0, 0, 64, 64}, 0x102030);
        ASSERT_EQ(BeginMaskedDraw(0, 0, 20, 20), 0);
        FillSurface(GetMaskWorkSurface(), RECT{0, 0, 20, 20}, 0xFFFF00);
        FillSurface(GetMaskWorkSurface(), RECT{0, 0, 20, 1}, 0);   // key value, forbidden unless reversed
        FillSurface(GetMaskWorkSurface(), RECT{8, 10, 16, 11}, 0);  // key value, allowed unless reversed
        ASSERT_EQ(EndMaskedDraw(0, 0, 20, 20), 0);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                const bool allowed = x < 20 && y < 20 && InSmallRectangle(x, y) != (reverse == 1);
                const bool key = y == 0 || (y == 10 && x >= 8 && x < 16);
                EXPECT_EQ(BackSurfacePixel(x, y), allowed && !key ? 0xFFFF00u : 0x102030u)
                    << reverse << " " << x << "," << y;
            }
        }
    }
}

}  // namespace
