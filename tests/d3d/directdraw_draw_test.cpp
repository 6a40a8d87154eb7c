// Drawing on DirectDraw surfaces with the renderer up over Mesa's GL and texture graphs
// off: the screen's output surfaces are the 3-D device's, graphs live in off-screen
// surfaces, and every draw is either a DirectDraw blit or the software renderer on a
// working copy of the target.
// Each captured frame is compared with a reference made from the pictures' pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/display_testing.h"
#include "tests/d3d/directdraw_graphs.h"
#include "tests/graphics/screen_reference.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using namespace screen_reference;

namespace {

// Mode 1 at value v on a 32-bit pixel: each channel mixes by v over 8 bits.
std::uint32_t Mix(std::uint32_t s, std::uint32_t d, int v) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const int sc = static_cast<int>((s >> shift) & 0xFF);
        const int dc = static_cast<int>((d >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>((dc * 256 + (sc - dc) * v) >> 8) << shift;
    }
    return out;
}

// A colour as a 15-bit screen shows it: cut to X1R5G5B5 and widened again.
std::uint32_t Through555(std::uint32_t c) {
    const std::uint32_t r = (c >> 19) & 31, g = (c >> 11) & 31, b = (c >> 3) & 31;
    return ((r << 3) | (r >> 2)) << 16 | ((g << 3) | (g >> 2)) << 8 | ((b << 3) | (b >> 2));
}

// A graph's raw pixel (x, y) in its image's format.
std::uint32_t GraphRaw(int graph, int x, int y) {
    const GraphRecord* record = GetGraphRecord(graph);
    const Surface2D* piece = record != nullptr ? GetSurface2DRecord(record->pieces[0]) : nullptr;
    if (piece == nullptr) return 0xDEADBEEF;
    std::int32_t pitch = 0;
    void* pixels = nullptr;
    const ColorFormat* format = nullptr;
    if (LockSurfaceData(piece->surface_data, &pitch, &pixels, 0, nullptr, &format) != 0) return 0xDEADBEEF;
    std::uint32_t raw = 0;
    std::memcpy(&raw,
                static_cast<std::uint8_t*>(pixels) + (piece->source_y + y) * pitch +
                    (piece->source_x + x) * format->bytes_per_pixel,
                format->bytes_per_pixel);
    UnlockSurfaceData(piece->surface_data, nullptr);
    return raw;
}

// A graph's pixel (x, y) as 0x00RRGGBB.
std::uint32_t GraphPixel(int graph, int x, int y) {
    const GraphRecord* record = GetGraphRecord(graph);
    const Surface2D* piece = record != nullptr ? GetSurface2DRecord(record->pieces[0]) : nullptr;
    const SurfaceData* data = piece != nullptr ? GetSurfaceData(piece->surface_data) : nullptr;
    if (data == nullptr) return 0xDEADBEEF;
    const ColorFormat* format =
        data->software ? data->color_image.block->format : GetScreenColorFormat();
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    SplitColorValueInFormat(format, GraphRaw(graph, x, y), &r, &g, &b, &a);
    return r << 16 | g << 8 | b;
}

bool IsDirectDrawImage(int graph) {
    const GraphRecord* record = GetGraphRecord(graph);
    const Surface2D* piece = record != nullptr ? GetSurface2DRecord(record->pieces[0]) : nullptr;
    const SurfaceData* data = piece != nullptr ? GetSurfaceData(piece->surface_data) : nullptr;
    return data != nullptr && !data->software && data->surface != nullptr;
}

class DirectDrawDraw : public ::testing::Test {
protected:
    void SetUp() override {
        up_ = d3d_test::StartWithDirectDrawGraphs();
        if (!up_) return;
        const ScreenState* screen = GetScreenState();
        ASSERT_EQ(screen->software_render, 0);
        ASSERT_EQ(screen->gdi_output, 0);
        ASSERT_NE(screen->back, nullptr);
        ASSERT_EQ(GetScreenBitDepth(), 32);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        ASSERT_EQ(ApiClearDrawTarget(), 0);
    }
    void TearDown() override {
        if (up_) {
            EXPECT_EQ(ApiTerminateLibrary(), 0);
        }
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
        SetDirect3DRendererEnabled(0);
    }
    int Load(const std::string& name, const Picture& picture) {
        WritePng(name, picture, false);
        const int graph = ApiLoadImageAsGraph(name.c_str(), 0);
        EXPECT_GT(graph, 0);
        EXPECT_TRUE(IsDirectDrawImage(graph));
        return graph;
    }
    EngineSession session_;
    PresentCapture capture_;
    bool up_ = false;
};

// Copies out of the back buffer give the same pixels whichever copy method the start-up
// timing chose: BltFast, or BitBlt through the video-memory surfaces' device contexts.
TEST_F(DirectDrawDraw, CopiesBetweenSurfacesGiveTheSamePixelsByEitherMethod) {
    if (!up_) return;
    ScreenState* screen = GetScreenState();
    const int chosen = screen->copy_by_bitblt;
    const std::uint32_t colours[] = {0x123456, 0xA9CB87};
    for (int by_bitblt = 0; by_bitblt < 2; ++by_bitblt) {
        screen->copy_by_bitblt = by_bitblt;
        const std::uint32_t c = colours[by_bitblt];
        ASSERT_EQ(ApiDrawRectangle(0, 0, 8, 8, ApiMakeColorValue(c >> 16, (c >> 8) & 0xFF, c & 0xFF), 1), 0);
        const RECT corner{0, 0, 8, 8};
        ASSERT_EQ(CopySurfaceRect(screen->work, screen->back, 0, 0, &corner, -1), 0) << by_bitblt;
        EXPECT_EQ(d3d_test::BackSurfacePixel(7, 7, screen->work), c) << by_bitblt;
    }
    screen->copy_by_bitblt = chosen;
}

// Where the front surface gives no device context, BitBlt cannot copy at all: its quick
// failure is no timing, and the copy-method test keeps BltFast.
TEST_F(DirectDrawDraw, TheCopyMethodTestKeepsBltFastWhereNoDeviceContextCanBeHad) {
    if (!up_) return;
    ScreenState* screen = GetScreenState();
    IDirectDrawSurface7* front = GetFrontSurface();
    ASSERT_NE(front, nullptr);
    HDC held = nullptr;
    ASSERT_EQ(front->GetDC(&held), DD_OK);  // a second context on it is refused while this is out
    screen->copy_by_bitblt = 1;
    RunCopyMethodTest();
    EXPECT_EQ(screen->copy_by_bitblt, 0);
    EXPECT_EQ(front->ReleaseDC(held), DD_OK);
}

TEST_F(DirectDrawDraw, PlainDrawsAreBlitsWithAndWithoutTheSourceKey) {
    const Picture keyed = MakeTestPicture(21, 13, true);
    const int graph = Load("keyed.png", keyed);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x20, 0x40, 0x60), 1), 0);
    Canvas want;
    want.Fill(0, 0, 640, 480, 0x204060);
    struct Case {
        int x, y, transparent;
    };
    // Inside, cut at each edge of the screen.
    const Case cases[] = {{5, 7, 0}, {100, 50, 1}, {630, 475, 0}, {-4, -3, 1}, {300, 470, 1}};
    for (const Case& c : cases) {
        ASSERT_EQ(ApiDrawGraphAtPoint(c.x, c.y, graph, c.transparent), 0);
        EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 1) << c.x;
        for (int y = 0; y < keyed.height; ++y) {
            for (int x = 0; x < keyed.width; ++x) {
                if (!c.transparent || keyed.Colour(x, y) != 0) want.Put(c.x + x, c.y + y, keyed.Colour(x, y));
            }
        }
    }
    // A bright colour other than white needs the renderer: each channel is scaled by its
    // bright byte (x * c / 255, truncated).
    ASSERT_EQ(SetBrightColorRGB(128, 255, 64), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(200, 200, graph, 1), 0);
    EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 0);
    for (int y = 0; y < keyed.height; ++y) {
        for (int x = 0; x < keyed.width; ++x) {
            const std::uint32_t c = keyed.Colour(x, y);
            if (c == 0) continue;
            want.Put(200 + x, 200 + y, (((c >> 16) & 0xFF) * 128 / 255) << 16 | (c & 0xFF00) | (c & 0xFF) * 64 / 255);
        }
    }
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, BlendedDrawsGoThroughTheWorkingCopyAndReadOnlyTheirPiece) {
    const Picture plain = MakeTestPicture(21, 13, true);
    const int graph = Load("plain.png", plain);
    const Picture sheet = MakeTestPicture(4 * 6, 3 * 5, false);  // 4 x 3 pieces of 6 x 5
    WritePng("sheet.png", sheet, false);
    int pieces[12];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 12, 4, 3, 6, 5, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[5]));
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x80, 0x10, 0xF0), 1), 0);
    ASSERT_EQ(SetDrawClipArea(10, 12, 600, 400), 0);
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    Canvas want;
    want.Fill(0, 0, 640, 480, 0x8010F0);
    struct Case {
        int x, y, graph, transparent, left, top;  // left, top: the piece's place in its picture
        const Picture* picture;
        int width, height;
    };
    const Case cases[] = {
        {40, 30, graph, 0, 0, 0, &plain, 21, 13},        // whole graph
        {80, 30, graph, 1, 0, 0, &plain, 21, 13},        // key pixels skipped
        {5, 8, graph, 0, 0, 0, &plain, 21, 13},          // cut by the draw area's left and top
        {590, 395, graph, 0, 0, 0, &plain, 21, 13},      // and its right and bottom
        {120, 30, pieces[5], 0, 6, 5, &sheet, 6, 5},     // piece 5: column 1, row 1
        {140, 30, pieces[11], 0, 18, 10, &sheet, 6, 5},  // piece 11: column 3, row 2
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ApiDrawGraphAtPoint(c.x, c.y, c.graph, c.transparent), 0);
        EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 0);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const int px = c.x + x;
                const int py = c.y + y;
                if (px < 10 || py < 12 || px >= 600 || py >= 400) continue;
                const std::uint32_t s = c.picture->Colour(c.left + x, c.top + y);
                if (c.transparent && s == 0) continue;
                want.Put(px, py, Mix(s, want.at(px, py), 100));
            }
        }
    }
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, BoxesLinesAndDrawsOutsideTheDrawArea) {
    const std::uint32_t red = ApiMakeColorValue(255, 0, 0);
    const std::uint32_t green = ApiMakeColorValue(0, 255, 0);
    ASSERT_EQ(ApiDrawRectangle(50, 40, 10, 20, red, 1), 0);  // corners in either order
    ASSERT_EQ(ApiDrawRectangle(0, 0, 4, 3, green, 0), 0);
    ASSERT_EQ(ApiDrawRectangle(100, 100, 110, 104, green, 0), 0);
    const LineRecord line{10, 10, 5, 5, static_cast<std::int32_t>(red), 255};
    ASSERT_EQ(DrawLineListSoft(&line, 1), 0);
    // Wholly outside the draw area: nothing is locked or drawn.
    ASSERT_EQ(SetDrawClipArea(200, 200, 300, 300), 0);
    EXPECT_EQ(DrawFilledBox(10, 10, 100, 100, green), -1);
    const Picture plain = MakeTestPicture(8, 8, false);
    const int graph = Load("plain.png", plain);
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    EXPECT_EQ(ApiDrawGraphAtPoint(10, 10, graph, 0), 0);
    // Partly inside: cut at the area.
    ASSERT_EQ(SetBlendModeAndValue(0, 255), 0);
    EXPECT_EQ(DrawFilledBox(290, 295, 320, 330, green), 0);
    Canvas want;
    want.Fill(10, 20, 50, 40, 0xFF0000);
    want.Outline(0, 0, 3, 2, 0x00FF00);
    want.Outline(100, 100, 109, 103, 0x00FF00);
    for (int i = 6; i <= 10; ++i) want.Put(i, i, 0xFF0000);  // the end point is not drawn
    want.Fill(290, 295, 300, 300, 0x00FF00);
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, DrawingOnTheFrontBufferShowsAtOnce) {
    ASSERT_EQ(ApiFlipScreen(), 0);
    const Picture plain = MakeTestPicture(9, 7, true);
    const int graph = Load("plain.png", plain);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    ASSERT_EQ(ApiDrawRectangle(10, 10, 30, 20, ApiMakeColorValue(0, 0, 255), 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(40, 10, graph, 1), 0);
    EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 1);
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    capture_.Take();
    ASSERT_EQ(ApiDrawGraphAtPoint(15, 12, graph, 0), 0);
    const auto frames = capture_.Take();
    ASSERT_FALSE(frames.empty());
    Canvas want;
    want.Fill(10, 10, 30, 20, 0x0000FF);
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            if (plain.Colour(x, y) != 0) want.Put(40 + x, 10 + y, plain.Colour(x, y));
            want.Put(15 + x, 12 + y, Mix(plain.Colour(x, y), want.at(15 + x, 12 + y), 100));
        }
    }
    ExpectFrame(frames.back(), want);
    // The front buffer read back into a graph: the window's place on the display is added.
    const int copy = CreateBlankGraph(20, 9, 1);
    ASSERT_EQ(GetDrawScreenGraph(12, 9, 32, 18, copy, 0), 0);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 20; ++x) EXPECT_EQ(GraphPixel(copy, x, y), want.at(12 + x, 9 + y)) << x << "," << y;
    }
    // The front buffer is cleared at once too.
    capture_.Take();
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    const auto cleared = capture_.Take();
    ASSERT_FALSE(cleared.empty());
    Canvas black;
    ExpectFrame(cleared.back(), black);
}

TEST_F(DirectDrawDraw, StretchedDrawsOfTheGraphsOwnSizeAreUnscaledDraws) {
    const Picture plain = MakeTestPicture(11, 7, true);
    const int graph = Load("plain.png", plain);
    ASSERT_EQ(DrawGraphStretched(30, 40, 41, 47, graph, 1), 0);
    EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 1);
    // Scaled, mirrored and quad draws go through working copies to the software renderer
    // and leave nothing locked behind.
    EXPECT_EQ(DrawGraphStretched(100, 40, 122, 54, graph, 0), 0);
    EXPECT_EQ(DrawGraphStretched(141, 47, 130, 40, graph, 0), 0);
    EXPECT_EQ(DrawGraphQuad(200, 40, 211, 40, 211, 47, 200, 47, graph, 0), 0);
    EXPECT_EQ(GetWorkingCopyState()->target_locked, 0);
    EXPECT_EQ(GetWorkingCopyState()->source_locked, 0);
    Canvas want;
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            if (plain.Colour(x, y) != 0) want.Put(30 + x, 40 + y, plain.Colour(x, y));
            want.Put(200 + x, 40 + y, plain.Colour(x, y));  // the quad, texel for pixel
            want.Put(130 + x, 40 + y, plain.Colour(plain.width - 1 - x, plain.height - 1 - y));  // mirrored
        }
    }
    for (int y = 0; y < 2 * plain.height; ++y) {
        for (int x = 0; x < 2 * plain.width; ++x) want.Put(100 + x, 40 + y, plain.Colour(x / 2, y / 2));
    }
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, DrawingIntoAPieceOfASharedImage) {
    const Picture sheet = MakeTestPicture(2 * 6, 4, false);
    WritePng("sheet.png", sheet, false);
    int pieces[2];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 2, 2, 1, 6, 4, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[1]));
    const Picture small = MakeTestPicture(3, 2, false);
    const int graph = Load("small.png", small);
    ASSERT_EQ(ApiChooseDrawTarget(pieces[1]), 0);
    // Target coordinates are the piece's own; everything is cut at its edges.
    ASSERT_EQ(ApiDrawGraphAtPoint(1, 1, graph, 0), 0);
    EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 1);
    ASSERT_EQ(DrawFilledBox(4, 0, 10, 2, ApiMakeColorValue(0, 0, 0xFF)), 0);
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(4, 2, graph, 0), 0);
    EXPECT_EQ(GetWorkingCopyState()->blit_chosen, 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    std::uint32_t want[4][6];
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) want[y][x] = sheet.Colour(6 + x, y);
    }
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) want[1 + y][1 + x] = small.Colour(x, y);
    }
    for (int y = 0; y < 2; ++y) {
        for (int x = 4; x < 6; ++x) want[y][x] = 0x0000FF;
    }
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) want[2 + y][4 + x] = Mix(small.Colour(x, y), want[2 + y][4 + x], 100);
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(GraphPixel(pieces[0], x, y), sheet.Colour(x, y)) << x << "," << y;
            EXPECT_EQ(GraphPixel(pieces[1], x, y), want[y][x]) << x << "," << y;
        }
    }
}

// A blended draw of one piece of a shared image into another piece of it: the image is
// locked once for the target, and the source is read from the second work surface.
TEST_F(DirectDrawDraw, BlendingOnePieceOfASharedImageIntoAnother) {
    const Picture sheet = MakeTestPicture(3 * 4, 2 * 3, false);  // 3 x 2 pieces of 4 x 3
    WritePng("sheet.png", sheet, false);
    int pieces[6];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 6, 3, 2, 4, 3, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[4]));
    ASSERT_EQ(ApiChooseDrawTarget(pieces[4]), 0);  // column 1, row 1: at (4, 3)
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(1, 0, pieces[2], 0), 0);  // column 2, row 0: at (8, 0)
    EXPECT_EQ(GetWorkingCopyState()->source_through_work, 1);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t under = sheet.Colour(4 + x, 3 + y);
            const std::uint32_t want = x >= 1 ? Mix(sheet.Colour(8 + x - 1, y), under, 100) : under;
            EXPECT_EQ(GraphPixel(pieces[4], x, y), want) << x << "," << y;
            EXPECT_EQ(GraphPixel(pieces[2], x, y), sheet.Colour(8 + x, y)) << x << "," << y;
        }
    }
}

TEST_F(DirectDrawDraw, ClearingScreenAndGraphTargets) {
    WindowSettings& window = GetSystemBlock()->settings;
    window.background_red = 0x11;
    window.background_green = 0x22;
    window.background_blue = 0x33;
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(200, 0, 0), 1), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    // A piece of a shared DirectDraw image as the target: only its rectangle is cleared.
    const Picture sheet = MakeTestPicture(2 * 4, 3, false);
    WritePng("sheet.png", sheet, false);
    int pieces[2];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 2, 2, 1, 4, 3, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[1]));
    ASSERT_EQ(ApiChooseDrawTarget(pieces[1]), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(GraphPixel(pieces[0], x, y), sheet.Colour(x, y));
            EXPECT_EQ(GraphPixel(pieces[1], x, y), 0x112233u);
        }
    }
    Canvas want;
    want.Fill(0, 0, 640, 480, 0x112233);
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, ScreenCopiedIntoGraphs) {
    const Picture plain = MakeTestPicture(13, 9, false);
    const int source = Load("plain.png", plain);
    ASSERT_EQ(ApiDrawGraphAtPoint(20, 30, source, 0), 0);
    const int surface_graph = CreateBlankGraph(13, 9, 1);
    ASSERT_TRUE(IsDirectDrawImage(surface_graph));
    GetDrawSettings()->new_graph.system_memory = 1;
    const int memory_graph = CreateBlankGraph(13, 9, 1);
    GetDrawSettings()->new_graph.system_memory = 0;
    ASSERT_FALSE(IsDirectDrawImage(memory_graph));
    for (int graph : {surface_graph, memory_graph}) {
        EXPECT_EQ(GetDrawScreenGraph(20, 30, 34, 39, graph, 0), -1);  // one pixel too wide
        EXPECT_EQ(GetDrawScreenGraph(20, 30, 33, 40, graph, 0), -1);  // one pixel too high
        EXPECT_EQ(GetDrawScreenGraph(635, 0, 648, 9, graph, 0), -1);  // past the screen
        ASSERT_EQ(GetDrawScreenGraph(20, 30, 33, 39, graph, 0), 0);
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 13; ++x) EXPECT_EQ(GraphPixel(graph, x, y), plain.Colour(x, y)) << graph;
        }
    }
    // With a graph in system memory as the target, its image is the one copied from.
    GetDrawSettings()->new_graph.system_memory = 1;
    const int memory_target = CreateBlankGraph(20, 12, 1);
    const int memory_copy = CreateBlankGraph(13, 9, 1);
    GetDrawSettings()->new_graph.system_memory = 0;
    const int surface_copy = CreateBlankGraph(13, 9, 1);
    ASSERT_EQ(ApiChooseDrawTarget(memory_target), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(3, 2, source, 0), 0);
    for (int graph : {surface_copy, memory_copy}) {
        ASSERT_EQ(GetDrawScreenGraph(3, 2, 16, 11, graph, 0), 0);
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 13; ++x) EXPECT_EQ(GraphPixel(graph, x, y), plain.Colour(x, y)) << graph;
        }
    }
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    // The copies draw like the original (the unused bits of the copied pixels are set).
    ASSERT_EQ(ApiDrawGraphAtPoint(100, 30, surface_graph, 0), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(200, 30, memory_graph, 0), 0);
    Canvas want;
    for (int ox : {20, 100, 200}) {
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 13; ++x) want.Put(ox + x, 30 + y, plain.Colour(x, y));
        }
    }
    ExpectShown(capture_, want);
}

// With a piece of a shared DirectDraw image as the target, the screen copied into a
// graph is the piece's own rectangle, not the image's corner.
TEST_F(DirectDrawDraw, ScreenCopiedFromAPieceOfASharedImage) {
    const Picture sheet = MakeTestPicture(3 * 5, 2 * 4, false);  // 3 x 2 pieces of 5 x 4
    WritePng("sheet.png", sheet, false);
    int pieces[6];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 6, 3, 2, 5, 4, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[5]));
    const int surface_copy = CreateBlankGraph(3, 2, 1);
    GetDrawSettings()->new_graph.system_memory = 1;
    const int memory_copy = CreateBlankGraph(3, 2, 1);
    GetDrawSettings()->new_graph.system_memory = 0;
    ASSERT_TRUE(IsDirectDrawImage(surface_copy));
    ASSERT_FALSE(IsDirectDrawImage(memory_copy));
    ASSERT_EQ(ApiChooseDrawTarget(pieces[5]), 0);  // column 2, row 1: at (10, 4)
    for (int graph : {surface_copy, memory_copy}) {
        ASSERT_EQ(GetDrawScreenGraph(1, 2, 4, 4, graph, 0), 0);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(GraphPixel(graph, x, y), sheet.Colour(10 + 1 + x, 4 + 2 + y)) << x << "," << y;
            }
        }
    }
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
}

// Positions at the ends of the int range draw nothing on DirectDraw surfaces either: no
// sum of a position and a size may overflow on the way to the working copy.
TEST_F(DirectDrawDraw, FarOffPositionsDrawNothing) {
    const Picture plain = MakeTestPicture(8, 8, false);
    const int graph = Load("plain.png", plain);
    constexpr int kMax = 2147483647;
    constexpr int kMin = -2147483647 - 1;
    const std::uint32_t red = ApiMakeColorValue(255, 0, 0);
    for (int blend : {0, 1}) {
        ASSERT_EQ(SetBlendModeAndValue(blend, 100), 0);
        for (int x : {kMax, kMax - 3, kMin, kMin + 3}) {
            for (int y : {kMax, kMax - 1, kMin}) {
                EXPECT_EQ(DrawGraphAtPoint(x, y, graph, 0), 0) << x << "," << y;
                // Wholly outside the draw area: the working copy is refused.
                EXPECT_EQ(DrawBoxOutline(x, y, x, y, red), -1) << x << "," << y;
                EXPECT_EQ(DrawBoxOutline(x, y, x < 0 ? kMin : kMax, y < 0 ? kMin : kMax, red), -1) << x << "," << y;
                const float fx = static_cast<float>(x) * 4.0f;
                const float fy = static_cast<float>(y) * 4.0f;
                EXPECT_EQ(DrawGraphQuad(fx, fy, fx, fy, fx, fy, fx, fy, graph, 0), 0) << x << "," << y;
                const LineRecord line{x, y, x, y, static_cast<std::int32_t>(red), 255};
                EXPECT_EQ(DrawLineListSoft(&line, 1), -1) << x << "," << y;
            }
        }
    }
    Canvas want;
    ExpectShown(capture_, want);
}

TEST_F(DirectDrawDraw, AFailedLockFailsTheDrawAndDrawsNothing) {
    const Picture plain = MakeTestPicture(8, 8, false);
    const int graph = Load("plain.png", plain);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(1, 2, 3), 1), 0);
    ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
    {
        FailSurfaceLocks fail;  // the target cannot be locked
        EXPECT_EQ(ApiDrawGraphAtPoint(10, 10, graph, 0), -1);
        EXPECT_EQ(ApiDrawRectangle(30, 10, 40, 20, ApiMakeColorValue(255, 255, 255), 1), -1);
    }
    {
        FailSurfaceLocks fail(1);  // the target is locked, the source is not
        EXPECT_EQ(ApiDrawGraphAtPoint(50, 10, graph, 0), -1);
        EXPECT_EQ(GetWorkingCopyState()->target, nullptr);
        EXPECT_EQ(GetWorkingCopyState()->target_locked, 0);
    }
    // Nothing was left locked: the next draw works.
    ASSERT_EQ(ApiDrawGraphAtPoint(70, 10, graph, 0), 0);
    Canvas want;
    want.Fill(0, 0, 640, 480, 0x010203);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) want.Put(70 + x, 10 + y, Mix(plain.Colour(x, y), 0x010203, 100));
    }
    ExpectShown(capture_, want);
}

// A display with video memory: the back buffer and the graphs live there. Plain draws of
// graphs in video memory are blits; a graph wider than the screen is made in system
// memory and is drawn through locks; blended draws read the target through the first
// work surface and the source through the second.
TEST(DirectDrawDrawVideoMemory, BlitsLocksAndWorkSurfaces) {
    DisplayWithVideoMemory video;
    {
        EngineSession session;
        PresentCapture capture;
        if (!d3d_test::StartWithDirectDrawGraphs()) return;
        ASSERT_EQ(GetScreenBitDepth(), 32);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        ASSERT_NE(GetDrawSettings()->target_in_video_memory, 0u);
        ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x30, 0x90, 0x50), 1), 0);
        const Picture plain = MakeTestPicture(12, 8, true);
        WritePng("plain.png", plain, false);
        const Picture wide = MakeTestPicture(700, 4, false);
        WritePng("wide.png", wide, false);
        const Picture sheet = MakeTestPicture(3 * 4, 2 * 5, false);  // 3 x 2 pieces of 4 x 5
        WritePng("sheet.png", sheet, false);
        const int graph = ApiLoadImageAsGraph("plain.png", 0);
        const int wide_graph = ApiLoadImageAsGraph("wide.png", 0);
        int pieces[6];
        ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 6, 3, 2, 4, 5, pieces, 0), 0);
        ASSERT_TRUE(IsDirectDrawImage(graph));
        ASSERT_TRUE(IsDirectDrawImage(wide_graph));
        ASSERT_TRUE(IsDirectDrawImage(pieces[4]));
        const WorkingCopyState* working = GetWorkingCopyState();
        Canvas want;
        want.Fill(0, 0, 640, 480, 0x309050);

        ASSERT_EQ(ApiDrawGraphAtPoint(10, 10, graph, 1), 0);
        EXPECT_EQ(working->blit_chosen, 1);
        for (int y = 0; y < plain.height; ++y) {
            for (int x = 0; x < plain.width; ++x) {
                if (plain.Colour(x, y) != 0) want.Put(10 + x, 10 + y, plain.Colour(x, y));
            }
        }
        ASSERT_EQ(ApiDrawGraphAtPoint(-30, 100, wide_graph, 0), 0);  // cut at both sides
        EXPECT_EQ(working->blit_chosen, 0);
        EXPECT_EQ(working->target_through_work, 0);
        EXPECT_EQ(working->source_through_work, 0);
        for (int y = 0; y < wide.height; ++y) {
            for (int x = 0; x < wide.width; ++x) want.Put(x - 30, 100 + y, wide.Colour(x, y));
        }
        ASSERT_EQ(SetBlendModeAndValue(1, 100), 0);
        struct Case {
            int x, y, graph, left, top;
            const Picture* picture;
            int width, height;
        };
        const Case cases[] = {
            {40, 30, graph, 0, 0, &plain, 12, 8},
            {630, 30, graph, 0, 0, &plain, 12, 8},      // cut at the right
            {60, 30, pieces[4], 4, 5, &sheet, 4, 5},    // piece 4: column 1, row 1
            {70, 30, pieces[5], 8, 5, &sheet, 4, 5},    // piece 5: column 2, row 1
        };
        for (const Case& c : cases) {
            ASSERT_EQ(ApiDrawGraphAtPoint(c.x, c.y, c.graph, 0), 0);
            EXPECT_EQ(working->blit_chosen, 0);
            EXPECT_EQ(working->target_through_work, 1);
            EXPECT_EQ(working->source_through_work, 1);
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    if (c.x + x >= 640) continue;
                    want.Put(c.x + x, c.y + y,
                             Mix(c.picture->Colour(c.left + x, c.top + y), want.at(c.x + x, c.y + y), 100));
                }
            }
        }
        ExpectShown(capture, want);
        ASSERT_EQ(ApiTerminateLibrary(), 0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
    SetDirect3DRendererEnabled(0);
}

// The 640 x 480 full screen at 16 bits with a display that reports X1R5G5B5, set up as
// with the renderer up (DirectDraw output surfaces), the back buffer chosen and cleared.
class DirectDrawDrawFullScreen : public ::testing::Test {
protected:
    void SetUp() override {
        up_ = d3d_test::StartWithDirectDrawGraphs();
        if (!up_) return;
        ASSERT_EQ(GetScreenBitDepth(), 16);
        ASSERT_EQ(GetScreenState()->format_index, 1);
        ASSERT_EQ(GetScreenState()->software_render, 0);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        ASSERT_EQ(ApiClearDrawTarget(), 0);
    }
    void TearDown() override {
        if (up_) {
            EXPECT_EQ(ApiTerminateLibrary(), 0);
        }
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
        SetDirect3DRendererEnabled(0);
    }
    SixteenBitDisplayAs555 display_555_;
    EngineSession session_{false};
    PresentCapture capture_;
    bool up_ = false;
};

// The 16-bit full-screen display in X1R5G5B5: blended and alpha draws are converted into
// the working format on the work surface and back; plain fills write the screen directly.
TEST_F(DirectDrawDrawFullScreen, AFifteenBitScreenIsConvertedAroundTheRenderer) {
    const std::uint32_t fill = 0x8844C8;
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x88, 0x44, 0xC8), 1), 0);
    const Picture holed = MakeTestPicture(19, 11, false, true);
    WritePng("holed.png", holed, true);
    const Picture plain = MakeTestPicture(10, 6, true);
    WritePng("plain.png", plain, false);
    const int alpha_graph = ApiLoadImageAsGraph("holed.png", 0);
    const int graph = ApiLoadImageAsGraph("plain.png", 0);
    ASSERT_GT(alpha_graph, 0);
    ASSERT_TRUE(IsDirectDrawImage(graph));
    ASSERT_EQ(ApiDrawGraphAtPoint(300, 200, alpha_graph, 1), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(100, 100, graph, 1), 0);  // keyed blit
    const Picture sheet = MakeTestPicture(2 * 5, 6, false);
    WritePng("sheet.png", sheet, false);
    int pieces[2];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 2, 2, 1, 5, 6, pieces, 0), 0);
    ASSERT_TRUE(IsDirectDrawImage(pieces[1]));
    ASSERT_EQ(SetBlendModeAndValue(4, 255), 0);  // multiply: through the work surfaces
    ASSERT_EQ(ApiDrawGraphAtPoint(200, 100, graph, 0), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(250, 100, pieces[1], 0), 0);
    Canvas want;
    want.Fill(0, 0, 640, 480, Through555(fill));
    for (int y = 0; y < holed.height; ++y) {
        for (int x = 0; x < holed.width; ++x) {
            if (holed.Opaque(x, y)) want.Put(300 + x, 200 + y, Through555(holed.Colour(x, y)));
        }
    }
    // Multiply on the working format's fields: d' = d x s >> 5 (>> 6 for the 6-bit green),
    // the destination widened from 5 to 6 bits of green on the way in.
    const std::uint32_t dr = (fill >> 19) & 31, dg5 = (fill >> 11) & 31, db = (fill >> 3) & 31;
    const std::uint32_t dg = (dg5 << 1) | (dg5 >> 4);
    auto multiplied = [&](std::uint32_t s) {
        const std::uint32_t r = (dr * ((s >> 19) & 31)) >> 5;
        const std::uint32_t g = ((dg * ((s >> 10) & 63)) >> 6) >> 1;
        const std::uint32_t b = (db * ((s >> 3) & 31)) >> 5;
        return Through555(r << 19 | g << 11 | b << 3);
    };
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            const std::uint32_t s = plain.Colour(x, y);
            if (s != 0) want.Put(100 + x, 100 + y, Through555(s));
            want.Put(200 + x, 100 + y, multiplied(s));
        }
    }
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 5; ++x) want.Put(250 + x, 100 + y, multiplied(sheet.Colour(5 + x, y)));
    }
    ExpectShown(capture_, want);
    // Graphs wider than the screen do not fit the work surfaces: they are converted
    // where they are and put back afterwards, so the source keeps its pixels.
    const Picture long_picture = MakeTestPicture(700, 2, false);
    WritePng("long.png", long_picture, false);
    const int long_source = ApiLoadImageAsGraph("long.png", 0);
    const int long_target = CreateBlankGraph(700, 2, 1);
    ASSERT_TRUE(IsDirectDrawImage(long_source));
    ASSERT_TRUE(IsDirectDrawImage(long_target));
    ASSERT_EQ(ApiChooseDrawTarget(long_target), 0);
    ASSERT_EQ(SetBlendModeAndValue(0, 255), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 700, 2, ApiMakeColorValue(0x88, 0x44, 0xC8)), 0);
    ASSERT_EQ(SetBlendModeAndValue(4, 255), 0);
    ASSERT_EQ(ApiDrawGraphAtPoint(0, 0, long_source, 0), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    auto to_555 = [](std::uint32_t c) { return ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31); };
    for (int y = 0; y < 2; ++y) {
        for (int x : {0, 1, 333, 639, 640, 699}) {
            const std::uint32_t s = to_555(long_picture.Colour(x, y));
            const std::uint32_t sg5 = (s >> 5) & 31;
            const std::uint32_t r = (dr * (s >> 10)) >> 5;
            const std::uint32_t g = ((dg * ((sg5 << 1) | (sg5 >> 4))) >> 6) >> 1;
            const std::uint32_t b = (db * (s & 31)) >> 5;
            EXPECT_EQ(GraphRaw(long_target, x, y) & 0x7FFF, r << 10 | g << 5 | b) << x << "," << y;
            EXPECT_EQ(GraphRaw(long_source, x, y) & 0x7FFF, s) << x << "," << y;
        }
    }
}

// On the X1R5G5B5 screen lines and box outlines are drawn on the work surface in the
// working format: their colours, given in the screen's format, are converted with it.
TEST_F(DirectDrawDrawFullScreen, LinesOnAFifteenBitScreenKeepTheirColours) {
    struct Case {
        int x1, y1, x2, y2;
        std::uint32_t rgb;
    };
    const Case cases[] = {{10, 10, 20, 15, 0xFF0000}, {30, 10, 36, 20, 0x00FF00}, {40, 12, 52, 13, 0x6B38F0}};
    Canvas want;
    for (const Case& c : cases) {
        const std::uint32_t colour = ApiMakeColorValue((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF);
        ASSERT_EQ(ApiDrawRectangle(c.x1, c.y1, c.x2, c.y2, colour, 0), 0);
        for (int x = c.x1; x < c.x2; ++x) {
            want.Put(x, c.y1, Through555(c.rgb));
            want.Put(x, c.y2 - 1, Through555(c.rgb));
        }
        for (int y = c.y1; y < c.y2; ++y) {
            want.Put(c.x1, y, Through555(c.rgb));
            want.Put(c.x2 - 1, y, Through555(c.rgb));
        }
    }
    const std::uint32_t blue = ApiMakeColorValue(0x10, 0x20, 0xFF);
    const LineRecord line{100, 50, 110, 50, static_cast<std::int32_t>(blue), 255};
    ASSERT_EQ(DrawLineListSoft(&line, 1), 0);
    for (int x = 100; x < 110; ++x) want.Put(x, 50, Through555(0x1020FF));
    // A long list: every record's colour is converted, not only the first ones.
    std::vector<LineRecord> lines;
    for (int i = 0; i < 150; ++i) {
        const std::uint32_t rgb = i % 2 == 0 ? 0xFF0000 : 0x00FF00;
        const std::uint32_t colour = ApiMakeColorValue((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        lines.push_back(LineRecord{200, 60 + i, 205, 60 + i, static_cast<std::int32_t>(colour), 255});
        for (int x = 200; x < 205; ++x) want.Put(x, 60 + i, Through555(rgb));
    }
    ASSERT_EQ(DrawLineListSoft(lines.data(), static_cast<int>(lines.size())), 0);
    ExpectShown(capture_, want);
}

// On the X1R5G5B5 screen a keyed draw through the working copy compares the converted
// source pixels with the key converted the same way: key pixels stay undrawn whatever
// the key colour's green is.
TEST_F(DirectDrawDrawFullScreen, KeyedDrawsOnAFifteenBitScreenSkipTheKeyColour) {
    const std::uint32_t keys[] = {0x000000, 0x808080, 0xC8C0C8, 0x10F810};
    Canvas want;
    int column = 0;
    for (std::uint32_t key : keys) {
        SCOPED_TRACE(key);
        GetDrawSettings()->transparent_color = key;
        Picture picture = MakeTestPicture(9, 5, false);
        for (std::size_t i = 0; i < picture.argb.size(); i += 3) picture.argb[i] = 0xFF000000u | key;
        const std::string name = "keyed" + std::to_string(column) + ".png";
        WritePng(name, picture, false);
        const int graph = ApiLoadImageAsGraph(name.c_str(), 0);
        ASSERT_TRUE(IsDirectDrawImage(graph));
        for (int blend : {0, 1}) {
            const int x = 20 + column * 40 + blend * 15;
            ASSERT_EQ(SetBlendModeAndValue(blend, blend ? 128 : 255), 0);
            ASSERT_EQ(ApiDrawGraphAtPoint(x, 30, graph, 1), 0);
            EXPECT_EQ(GetWorkingCopyState()->blit_chosen, blend ? 0 : 1);
            for (int y = 0; y < picture.height; ++y) {
                for (int px = 0; px < picture.width; ++px) {
                    if (picture.Colour(px, y) == key) continue;
                    // The working copy mixes in R5G6B5: half of the screen's black.
                    const std::uint32_t s = Through555(picture.Colour(px, y));
                    want.Put(x + px, 30 + y, blend ? Through555(Mix(s, 0, 128)) : s);
                }
            }
        }
        ++column;
    }
    ExpectShown(capture_, want);
}

}  // namespace
