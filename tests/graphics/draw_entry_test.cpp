// The public draw calls end to end, headless: pictures loaded from PNG files and drawn
// opaque and with transparency, pieces of a divided sheet, filled and outlined boxes, a
// part of a graph drawn with the draw area put back, and drawing on the front buffer;
// each captured frame is compared with a reference made from the picture's pixels, also
// for scaled, mirrored and turned draws. Also
// the rectangle shown after each kind of front-buffer draw, graphics off and empty
// areas, far-off positions and masked front-buffer draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/display_testing.h"
#include "tests/graphics/screen_reference.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using namespace screen_reference;

namespace {

class DrawEntry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ApiInitializeLibrary(), 0);
        ASSERT_EQ(GetScreenBitDepth(), 32);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        ASSERT_EQ(ApiClearDrawTarget(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
    EngineSession session_;
    PresentCapture capture_;
};

TEST_F(DrawEntry, APngDrawnOpaqueAndWithTransparency) {
    const Picture plain = MakeTestPicture(21, 13, false);
    const Picture holed = MakeTestPicture(17, 9, false, true);
    WritePng("plain.png", plain, false);
    WritePng("holed.png", holed, true);
    const int a = ApiLoadImageAsGraph("plain.png", 0);
    const int b = ApiLoadImageAsGraph("holed.png", 0);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x20, 0x40, 0x60), 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(5, 7, a, 0), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(100, 50, b, 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(200, 50, b, 0), 0);
    // Partly outside the screen: cut at its edges.
    ASSERT_EQ(ApiDrawGraphAtPoint(630, 475, a, 0), 0);
    Canvas want;
    for (auto& p : want.pixels) p = 0x204060;
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            want.Put(5 + x, 7 + y, plain.Colour(x, y));
            want.Put(630 + x, 475 + y, plain.Colour(x, y));
        }
    }
    for (int y = 0; y < holed.height; ++y) {
        for (int x = 0; x < holed.width; ++x) {
            if (holed.Opaque(x, y)) want.Put(100 + x, 50 + y, holed.Colour(x, y));
            want.Put(200 + x, 50 + y, holed.Colour(x, y));
        }
    }
    ExpectShown(capture_, want);
    EXPECT_EQ(ApiDrawGraphAtPoint(0, 0, a + 1, 0), -1);
    EXPECT_EQ(ApiLoadImageAsGraph("missing.png", 0), -1);
}

TEST_F(DrawEntry, PiecesOfADividedSheet) {
    const Picture sheet = MakeTestPicture(4 * 6, 3 * 5, false);  // 4 x 3 pieces of 6 x 5
    WritePng("sheet.png", sheet, false);
    int handles[12];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 12, 4, 3, 6, 5, handles, 0), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(40, 30, handles[5], 0), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(60, 30, handles[11], 1), 0);
    Canvas want;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            want.Put(40 + x, 30 + y, sheet.Colour(6 + x, 5 + y));    // piece 5: column 1, row 1
            want.Put(60 + x, 30 + y, sheet.Colour(18 + x, 10 + y));  // piece 11: column 3, row 2
        }
    }
    ExpectShown(capture_, want);
    EXPECT_EQ(std::string(GetGraphRecord(handles[5])->file_name), "sheet.png");
}

TEST_F(DrawEntry, AFilledBoxAndAnOutline) {
    const std::uint32_t red = ApiMakeColorValue(255, 0, 0);
    const std::uint32_t green = ApiMakeColorValue(0, 255, 0);
    ASSERT_EQ(ApiDrawRectangle(50, 40, 10, 20, red, 1), 0);  // corners in either order
    ASSERT_EQ(ApiDrawRectangle(0, 0, 4, 3, green, 0), 0);
    ASSERT_EQ(ApiDrawRectangle(100, 100, 110, 104, green, 0), 0);
    Canvas want;
    want.Fill(10, 20, 50, 40, 0xFF0000);
    want.Outline(0, 0, 3, 2, 0x00FF00);
    want.Outline(100, 100, 109, 103, 0x00FF00);
    ExpectShown(capture_, want);
}

TEST_F(DrawEntry, APartOfAGraphIsDrawnAndTheDrawAreaPutBack) {
    const Picture plain = MakeTestPicture(20, 20, false);
    WritePng("plain.png", plain, false);
    const int graph = ApiLoadImageAsGraph("plain.png", 0);
    ASSERT_EQ(SetDrawClipArea(2, 3, 600, 400), 0);
    const RECT before = GetDrawSettings()->draw_area;
    ASSERT_EQ(DrawGraphSubRect(30, 40, 5, 6, 7, 4, graph, 0, 0), 0);
    EXPECT_EQ(DrawGraphSubRect(30, 40, 5, 6, 7, 4, graph + 1, 0, 1), -1);
    const RECT after = GetDrawSettings()->draw_area;
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    Canvas want;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7; ++x) want.Put(30 + x, 40 + y, plain.Colour(5 + x, 6 + y));
    }
    ExpectShown(capture_, want);
}

TEST_F(DrawEntry, DrawingOnTheFrontBufferShowsAtOnce) {
    ASSERT_EQ(ApiFlipScreen(), 0);  // the window shows the cleared back buffer
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    capture_.Take();
    ASSERT_EQ(ApiDrawRectangle(10, 10, 30, 20, ApiMakeColorValue(0, 0, 255), 1), 0);
    const auto frames = capture_.Take();
    ASSERT_FALSE(frames.empty());
    const auto& frame = frames.back();
    ASSERT_EQ(frame.width, 640);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 10 && y < 20;
            EXPECT_EQ(frame.pixels[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF, inside ? 0x0000FFu : kBackground)
                << x << "," << y;
        }
    }
}

// A graph drawn enlarged by 3/2, halved, mirrored on both axes and as a quad turned a
// quarter turn, through the public draw entries; the reference comes from the decoded
// picture: destination column k of a scaled draw shows source column k x 65536 / step,
// step = width x 65536 / source width (rows likewise, mirrored axes counted from the far
// edge); the turned quad shows texel (j, h - i) at (x0 + i, y0 + j).
TEST_F(DrawEntry, ScaledMirroredAndTurnedDrawsShowThePicture) {
    const Picture pic = MakeTestPicture(10, 6, false);
    WritePng("pic.png", pic, false);
    const int graph = ApiLoadImageAsGraph("pic.png", 0);
    ASSERT_GT(graph, 0);
    Canvas want;
    auto scaled = [&](int x1, int y1, int x2, int y2) {
        ASSERT_EQ(DrawGraphStretched(x1, y1, x2, y2, graph, 0), 0);
        const long long left = std::min(x1, x2), top = std::min(y1, y2);
        const long long w = std::abs(x2 - x1), h = std::abs(y2 - y1);
        const long long step_x = w * 65536 / pic.width, step_y = h * 65536 / pic.height;
        for (long long j = 0; j < h; ++j) {
            for (long long i = 0; i < w; ++i) {
                long long u = i * 65536 / step_x, v = j * 65536 / step_y;
                if (x2 < x1) u = pic.width - 1 - u;
                if (y2 < y1) v = pic.height - 1 - v;
                want.Put(static_cast<int>(left + i), static_cast<int>(top + j),
                         pic.Colour(static_cast<int>(u), static_cast<int>(v)));
            }
        }
    };
    scaled(20, 10, 35, 19);     // x 3/2
    scaled(60, 10, 65, 13);     // halved
    scaled(110, 40, 80, 10);    // x 3, mirrored both ways
    scaled(140, 10, 130, 16);   // own size, mirrored left to right
    // A quarter turn: the picture's top edge runs down the right side.
    const int x0 = 200, y0 = 50;
    ASSERT_EQ(DrawGraphQuad(static_cast<float>(x0 + pic.height), static_cast<float>(y0),
                            static_cast<float>(x0 + pic.height), static_cast<float>(y0 + pic.width),
                            static_cast<float>(x0), static_cast<float>(y0 + pic.width), static_cast<float>(x0),
                            static_cast<float>(y0), graph, 0),
              0);
    for (int j = 0; j < pic.width; ++j) {
        for (int i = 1; i <= pic.height; ++i) want.Put(x0 + i, y0 + j, pic.Colour(j, pic.height - i));
    }
    ExpectShown(capture_, want);
    EXPECT_EQ(DrawGraphSubRectStretched(0, 0, 16, 16, 0, 0, 0, 8, graph, 0), -1);
}

}  // namespace

namespace {

// A colour as a 16-bit screen shows it: cut to R5G6B5 and widened again.
std::uint32_t Through565(std::uint32_t c) {
    const std::uint32_t r = (c >> 19) & 31, g = (c >> 10) & 63, b = (c >> 3) & 31;
    return ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}

TEST(DrawEntryFullScreen, APngWithTransparencyOnTheSixteenBitScreen) {
    EngineSession session(false);
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(GetScreenBitDepth(), 16);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    const Picture holed = MakeTestPicture(19, 11, false, true);
    WritePng("holed.png", holed, true);
    const int graph = ApiLoadImageAsGraph("holed.png", 0);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(300, 200, graph, 1), 0);
    Canvas want;
    for (int y = 0; y < holed.height; ++y) {
        for (int x = 0; x < holed.width; ++x) {
            if (holed.Opaque(x, y)) want.Put(300 + x, 200 + y, Through565(holed.Colour(x, y)));
        }
    }
    ExpectShown(capture, want);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace

namespace {

TEST_F(DrawEntry, KeyColourPixelsAreSkippedInWholeGraphsAndInPieces) {
    // The default key is black: every fourth pixel of the picture is black.
    Picture keyed = MakeTestPicture(12, 6, false);
    for (std::size_t i = 0; i < keyed.argb.size(); i += 4) keyed.argb[i] = 0xFF000000u;
    WritePng("keyed.png", keyed, false);
    const int whole = ApiLoadImageAsGraph("keyed.png", 0);
    int pieces[2];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("keyed.png", 2, 2, 1, 6, 6, pieces, 0), 0);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(9, 9, 9), 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(10, 10, whole, 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(40, 10, pieces[1], 1), 0);
    Canvas want;
    for (auto& p : want.pixels) p = 0x090909;
    for (int y = 0; y < keyed.height; ++y) {
        for (int x = 0; x < keyed.width; ++x) {
            const std::uint32_t c = keyed.Colour(x, y);
            if (c != 0) want.Put(10 + x, 10 + y, c);
            if (c != 0 && x >= 6) want.Put(40 + x - 6, 10 + y, c);
        }
    }
    ExpectShown(capture_, want);
}

TEST_F(DrawEntry, ABlendSourceSmallerThanTheGraphFailsTheDraw) {
    const Picture plain = MakeTestPicture(8, 8, false);
    WritePng("plain.png", plain, false);
    const int graph = ApiLoadImageAsGraph("plain.png", 0);
    const int small = CreateBlankGraph(4, 8, 1);
    const int large = CreateBlankGraph(8, 8, 1);
    GetDrawSettings()->blend_graph = small;
    EXPECT_EQ(ApiDrawGraphAtPoint(0, 0, graph, 0), -1);
    GetDrawSettings()->blend_graph = large;
    EXPECT_EQ(CheckBlendSourceGraphSize(GetGraphRecord(graph)), 0);
    DeleteGraphHandle(large, 0);
    EXPECT_EQ(ApiDrawGraphAtPoint(0, 0, graph, 0), -1);
    GetDrawSettings()->blend_graph = -1;
    EXPECT_EQ(ApiDrawGraphAtPoint(0, 0, graph, 0), 0);
}

}  // namespace

namespace {

// The front image filled with one colour behind the window's back, so that a flush shows
// exactly the rectangle it was given.
void PaintFrontImageUnseen(std::uint32_t rgb) {
    ScreenState* screen = GetScreenState();
    MEMIMG& front = screen->front_image;
    FillMemImgRectRaw(&front, nullptr,
                      MakeColorValueInFormat(front.block->format, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255));
    screen->front_image_stale = 0;
}

// The 32-bit front image's colour at (x, y).
std::uint32_t FrontImagePixel(int x, int y) {
    const MEMIMG& front = GetScreenState()->front_image;
    std::uint32_t p;
    std::memcpy(&p, front.pixels + static_cast<std::ptrdiff_t>(front.block->pitch) * y + 4 * x, 4);
    return p & 0xFFFFFFu;
}

TEST_F(DrawEntry, DrawsOnTheFrontBufferShowTheirWholeWorkRectangle) {
    const int graph = CreateBlankGraph(8, 8, 1);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(FillGraphColor(graph, 0x30, 0x40, 0x50, 255), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    struct Case {
        const char* name;
        int (*draw)(int graph);
        RECT shown;
    };
    const Case cases[] = {
        {"mirrored stretch", [](int g) { return DrawGraphStretched(100, 0, 0, 50, g, 1); }, RECT{0, 0, 100, 50}},
        {"box, corners reversed",
         [](int) { return DrawFilledBox(50, 50, 10, 10, MakeColorValue(0x11, 0x22, 0x33)); }, RECT{10, 10, 50, 50}},
        {"quad, corners truncated",
         [](int g) { return DrawGraphQuad(12.9f, 5.5f, 40.2f, 7.f, 41.99f, 30.7f, 11.f, 29.f, g, 0); },
         RECT{11, 5, 41, 30}},
        {"mirrored", [](int g) { return DrawGraphMirrored(20, 30, g, 0); }, RECT{20, 30, 28, 38}},
    };
    for (const Case& c : cases) {
        PaintFrontImageUnseen(0x5A6B7C);
        capture_.Take();
        ASSERT_EQ(c.draw(graph), 0) << c.name;
        const auto frames = capture_.Take();
        ASSERT_FALSE(frames.empty()) << c.name;
        const auto& frame = frames.back();
        int misses = 0;
        for (int y = 0; y < 60 && misses < 3; ++y) {
            for (int x = 0; x < 120 && misses < 3; ++x) {
                const bool inside = x >= c.shown.left && x < c.shown.right && y >= c.shown.top && y < c.shown.bottom;
                const std::uint32_t got = frame.pixels[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF;
                // The box draws its own colour inside; inside the rectangle the window shows
                // the front image as the draw left it, outside it what it showed before.
                const bool box = c.shown.left == 10 && c.shown.top == 10;
                const std::uint32_t want = !inside ? kBackground : box ? 0x112233u : FrontImagePixel(x, y);
                if (got != want) {
                    ADD_FAILURE() << c.name << ": pixel " << x << "," << y << " want " << std::hex << want << " got "
                                  << got;
                    ++misses;
                }
            }
        }
        // Put the window back to the background for the next case.
        PaintFrontImageUnseen(kBackground);
        const RECT whole{0, 0, 640, 480};
        ASSERT_EQ(FlushFrontImageRect(&whole), 0);
    }
}

TEST_F(DrawEntry, GraphicsOffOrAnEmptyAreaDrawNothingAndReturnZero) {
    const int graph = CreateBlankGraph(8, 8, 1);
    const int bad = graph + 1;
    const std::uint32_t red = MakeColorValue(255, 0, 0);
    struct Entry {
        const char* name;
        int (*draw)(int graph, std::uint32_t colour);
    };
    const Entry entries[] = {
        {"point", [](int g, std::uint32_t) { return DrawGraphAtPoint(0, 0, g, 0); }},
        {"stretched", [](int g, std::uint32_t) { return DrawGraphStretched(0, 0, 9, 9, g, 0); }},
        {"quad", [](int g, std::uint32_t) { return DrawGraphQuad(0, 0, 9, 0, 9, 9, 0, 9, g, 0); }},
        {"box", [](int, std::uint32_t c) { return DrawFilledBox(0, 0, 9, 9, c); }},
        {"outline", [](int, std::uint32_t c) { return DrawBoxOutline(0, 0, 9, 9, c); }},
    };
    DrawSettingsBlock* settings = GetDrawSettings();
    for (const Entry& e : entries) {
        settings->graphics_off = 1;
        EXPECT_EQ(e.draw(bad, red), 0) << e.name << " with graphics off";
        settings->graphics_off = 0;
        settings->empty_area = 1;
        EXPECT_EQ(e.draw(bad, red), 0) << e.name << " with an empty area";
        settings->empty_area = 0;
    }
    settings->graphics_off = 1;
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 8, 8, bad, 0), 0);
    settings->graphics_off = 0;
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 8, 8, bad, 0), -1);
    Canvas want;
    ExpectShown(capture_, want);
}

TEST_F(DrawEntry, AStretchedPartOfABadGraphFailsWithTheDrawAreaUntouched) {
    const int graph = CreateBlankGraph(8, 8, 1);
    ASSERT_EQ(SetDrawClipArea(3, 4, 500, 400), 0);
    const RECT before = GetDrawSettings()->draw_area;
    EXPECT_EQ(DrawGraphSubRectStretched(0, 0, 16, 16, 0, 0, 4, 4, graph + 1, 0), -1);
    EXPECT_EQ(DrawGraphSubRectStretched(40, 30, 10, 5, 1, 2, 4, 4, graph, 0), 0);
    const RECT after = GetDrawSettings()->draw_area;
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(GetDrawSettings()->draw_area_float[2], 500.0f);
}

// Positions far outside the screen, up to the ends of the int range, draw nothing and
// fail nothing (sums that would overflow are held to the range).
TEST_F(DrawEntry, FarOffPositionsDrawNothing) {
    const Picture plain = MakeTestPicture(8, 8, false);
    WritePng("plain.png", plain, false);
    const int graph = ApiLoadImageAsGraph("plain.png", 0);
    ASSERT_GT(graph, 0);
    constexpr int kMax = 2147483647;
    constexpr int kMin = -2147483647 - 1;
    for (int x : {kMax, kMax - 3, kMin, kMin + 3}) {
        for (int y : {0, kMax - 1, kMin}) {
            EXPECT_EQ(DrawGraphAtPoint(x, y, graph, 0), 0) << x << "," << y;
            EXPECT_EQ(DrawGraphMirrored(x, y, graph, 0), 0) << x << "," << y;
            EXPECT_EQ(DrawGraphSubRect(x, y, 2, 2, 4, 4, graph, 0, 0), 0) << x << "," << y;
            EXPECT_EQ(DrawGraphSubRect(x, y, kMin, kMax, kMax, kMax, graph, 0, 1), 0) << x << "," << y;
            // A box from (0, 0) to a far corner down and to the right covers the screen and
            // shows the part scaled up: not a far-off draw.
            if (x < 0 || y <= 0) {
                EXPECT_EQ(DrawGraphSubRectStretched(x, y, 0, 0, 2, 2, 4, 4, graph, 0), 0) << x << "," << y;
            }
            EXPECT_EQ(DrawGraphSubRectStretched(x, y, x < 0 ? kMax : kMin, 0, kMax, kMin, 1, 1, graph, 0), 0) << x << "," << y;
            EXPECT_EQ(DrawFilledBox(x, y, x, kMax, MakeColorValue(255, 0, 0)), 0) << x << "," << y;
        }
    }
    Canvas want;
    ExpectShown(capture_, want);
}

}  // namespace

namespace {

// With the mask active on the front buffer in software rendering, the pixels the mask
// keeps are those the screen shows, not a stale front image.
TEST_F(DrawEntry, AMaskedDrawOnTheFrontBufferKeepsWhatTheScreenShows) {
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x20, 0x40, 0x60), 1), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);  // the window shows 0x204060
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    PaintFrontImageUnseen(0x5A6B7C);
    GetScreenState()->front_image_stale = 1;
    MaskScreenState* mask = GetMaskScreenState();
    mask->request = 1;
    ASSERT_EQ(SetupMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenUse(1), 0);
    for (int y = 8; y < 12; ++y) std::memset(mask->bytes + y * mask->pitch + 8, 1, 8);
    capture_.Take();
    ASSERT_EQ(ApiDrawRectangle(0, 0, 20, 20, ApiMakeColorValue(255, 255, 0), 1), 0);
    const auto frames = capture_.Take();
    ASSERT_FALSE(frames.empty());
    const auto& frame = frames.back();
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const bool allowed = x >= 8 && x < 16 && y >= 8 && y < 12;
            EXPECT_EQ(frame.pixels[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF, allowed ? 0xFFFF00u : 0x204060u)
                << x << "," << y;
        }
    }
    mask->request = 0;
}

}  // namespace
