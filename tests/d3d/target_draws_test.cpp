// Boxes, outlines, the draw-target choice, target clears and text through the device,
// read back from the back buffer or the target texture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/font/font.h"
#include "engine/font/font_internal.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"
#include "tests/support/engine_testing/font_testing.h"

namespace {

class TargetDraws : public d3d_test::D3DDrawSession {
protected:
    // '#' for each pixel of the rectangle that is not black, '.' for black.
    std::vector<std::string> Picture(RECT rect) {
        const std::vector<std::uint32_t> pixels = ReadBack(rect);
        std::vector<std::string> rows;
        const int w = rect.right - rect.left;
        for (int y = 0; y < rect.bottom - rect.top; ++y) {
            std::string row;
            for (int x = 0; x < w; ++x) row += pixels[static_cast<std::size_t>(y) * w + x] != 0 ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(TargetDraws, FilledBoxesAreSortedAndClipped) {
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    ASSERT_EQ(DrawFillBoxD3D(100, 50, 20, 10, white), 0);
    EXPECT_EQ(BackPixel(20, 10), 0xFFFFFFu);
    EXPECT_EQ(BackPixel(99, 49), 0xFFFFFFu);
    EXPECT_EQ(BackPixel(19, 10), 0u);
    EXPECT_EQ(BackPixel(100, 49), 0u);
    EXPECT_EQ(BackPixel(20, 50), 0u);
    EXPECT_EQ(BackPixel(20, 9), 0u);

    ASSERT_EQ(SetDrawClipArea(200, 200, 250, 230), 0);
    ASSERT_EQ(DrawFillBoxD3D(240, 220, 280, 260, MakeColorValue(0x12, 0x34, 0x56)), 0);
    EXPECT_EQ(BackPixel(240, 220), 0x123456u);
    EXPECT_EQ(BackPixel(249, 229), 0x123456u);
    EXPECT_EQ(BackPixel(250, 229), 0u);
    EXPECT_EQ(BackPixel(249, 230), 0u);

    // Wholly outside the area: nothing drawn and no scene begun.
    EndSceneD3D();
    ASSERT_EQ(DrawFillBoxD3D(300, 300, 400, 400, white), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->in_scene, 0u);
}

TEST_F(TargetDraws, BoxColoursAreScaledByTheBrightColour) {
    ASSERT_EQ(SetBrightColorRGB(128, 255, 64), 0);
    ASSERT_EQ(DrawFillBoxD3D(0, 0, 4, 4, MakeColorValue(255, 200, 255)), 0);
    EXPECT_EQ(BackPixel(1, 1), (128u * 255 / 255) << 16 | (255u * 200 / 255) << 8 | (64u * 255 / 255));
    ASSERT_EQ(SetBrightColorRGB(255, 255, 255), 0);
}

TEST_F(TargetDraws, OutlinesCoverTheirEdgesOnce) {
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    ASSERT_EQ(DrawLineBoxD3D(10, 10, 14, 13, white), 0);
    const std::vector<std::string> expected = {"......", ".####.", ".#..#.", ".####.", "......"};
    EXPECT_EQ(Picture(RECT{9, 9, 15, 14}), expected);
    FillBack(0);
    ASSERT_EQ(DrawLineBoxD3D(14, 10, 10, 13, white), 0);
    EXPECT_EQ(Picture(RECT{9, 9, 15, 14}), expected);

    // Under a blend every outline pixel is blended once, also on boxes one pixel wide or
    // high; a box of no width has no outline.
    FillBack(0);
    ASSERT_EQ(SetBlendModeAndValue(1, 128), 0);
    ASSERT_EQ(DrawLineBoxD3D(30, 10, 31, 14, white), 0);  // one pixel wide
    ASSERT_EQ(DrawLineBoxD3D(40, 10, 45, 11, white), 0);  // one pixel high
    ASSERT_EQ(DrawLineBoxD3D(50, 10, 50, 14, white), 0);  // no width
    ASSERT_EQ(DrawLineBoxD3D(60, 10, 62, 14, white), 0);  // two wide
    ASSERT_EQ(SetBlendModeAndValue(0, 255), 0);
    auto once = [](std::uint32_t p) { return std::abs(static_cast<int>(p & 0xFF) - 128) <= 2 && p == (p & 0xFF) * 0x010101u; };
    for (int y = 10; y < 14; ++y) EXPECT_TRUE(once(BackPixel(30, y))) << std::hex << BackPixel(30, y);
    EXPECT_EQ(BackPixel(31, 10), 0u);
    for (int x = 40; x < 45; ++x) EXPECT_TRUE(once(BackPixel(x, 10))) << x;
    EXPECT_EQ(BackPixel(40, 11), 0u);
    for (int y = 9; y < 15; ++y) {
        EXPECT_EQ(BackPixel(49, y), 0u);
        EXPECT_EQ(BackPixel(50, y), 0u);
    }
    for (int y = 10; y < 14; ++y) {
        EXPECT_TRUE(once(BackPixel(60, y))) << y;
        EXPECT_TRUE(once(BackPixel(61, y))) << y;
    }
}

TEST_F(TargetDraws, ChoosingTargetsSetsTheSceneAndDeviceFlags) {
    ASSERT_EQ(ChooseDrawTargetD3D(kDrawTargetFront), 0);
    EXPECT_EQ(D3DState().end_scene_each_draw, 1);
    ASSERT_EQ(ChooseDrawTargetD3D(kDrawTargetBack), 0);
    EXPECT_EQ(D3DState().end_scene_each_draw, 0);
    EXPECT_EQ(D3DState().device_unavailable, 0);
    EXPECT_EQ(ChooseDrawTargetD3D(0x7FFF), -1);  // no graph

    // A graph of four pieces: answered 0, the device stays on its own target.
    D3DState().max_texture_size = 64;
    const GraphRecord* four = MakeTextureGraph(100, 100, d3d_test::PatternTexel);
    ASSERT_EQ(four->piece_count, 4);
    ASSERT_EQ(ChooseDrawTargetD3D(four->handle), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->render_target, CurrentD3DDeviceRecord()->own_render_target);
    // A texture graph that cannot be drawn into.
    const GraphRecord* plain = MakeTextureGraph(16, 16, d3d_test::PatternTexel);
    EXPECT_EQ(ChooseDrawTargetD3D(plain->handle), -1);
    ASSERT_EQ(ChooseDrawTargetD3D(kDrawTargetBack), 0);
}

TEST_F(TargetDraws, DrawingIntoAndClearingATextureGraph) {
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->new_graph.drawable = 1;
    settings->new_graph.drawable_alpha = 1;
    const GraphRecord* graph = MakeTextureGraph(64, 64, [](int, int) { return 0xFF112233u; }, 1);
    settings->new_graph.drawable = 0;
    settings->new_graph.drawable_alpha = 0;
    ASSERT_EQ(ChooseDrawTarget(graph->handle), 0);
    ASSERT_EQ(SetDrawClipArea(0, 0, 64, 64), 0);
    ASSERT_EQ(DrawFillBoxD3D(8, 8, 16, 12, MakeColorValue(0xF0, 0x80, 0x10)), 0);
    EXPECT_EQ(Texel(graph, 8, 8) & 0xFFFFFFu, 0xF08010u);
    EXPECT_EQ(Texel(graph, 16, 8), 0xFF112233u);

    WindowSettings& window = GetSystemBlock()->settings;
    window.background_red = 10;
    window.background_green = 20;
    window.background_blue = 30;
    ASSERT_EQ(ClearDrawTargetD3D(), 0);
    EXPECT_EQ(Texel(graph, 0, 0), 0x000A141Eu);
    EXPECT_EQ(Texel(graph, 63, 63), 0x000A141Eu);
    window.background_red = window.background_green = window.background_blue = 0;

    ASSERT_EQ(ChooseDrawTarget(kDrawTargetBack), 0);
    // Screens are cleared by the graphics core: nothing to do here.
    EXPECT_EQ(ClearDrawTargetD3D(), 0);
}

// With 3-D in use, boxes go to the renderer, and blend mode 3 there is drawn as invert,
// add, invert: white fills over the box in mode 3 at 255 with a white bright colour, the
// box itself in mode 5 with the blend value and the caller's bright colour. The caller's
// settings are back afterwards. An outline with the outline switch set stays on the 2-D
// path, which leaves nothing in the renderer's batch.
TEST_F(TargetDraws, SubtractBlendedBoxesAreInvertAddInvert) {
    ASSERT_EQ(IsThreeDInUse(), 1);
    FillBack(0xC89664);
    const std::uint32_t red = MakeColorValue(255, 0, 0);
    ASSERT_EQ(SetBlendModeAndValue(3, 255), 0);
    ASSERT_EQ(DrawFilledBox(50, 40, 10, 20, red), 0);
    ASSERT_EQ(SetBlendModeAndValue(3, 100), 0);
    ASSERT_EQ(SetBrightColorRGB(10, 20, 30), 0);
    ASSERT_EQ(DrawFilledBox(60, 20, 100, 40, red), 0);
    auto near = [](std::uint32_t expected, std::uint32_t actual) {
        for (int shift : {0, 8, 16}) {
            if (std::abs(static_cast<int>((expected >> shift) & 0xFF) - static_cast<int>((actual >> shift) & 0xFF)) > 2) {
                return false;
            }
        }
        return true;
    };
    // Red taken away whole, then 10 x 100 / 255 of it.
    EXPECT_TRUE(near(0x009664, BackPixel(10, 20))) << std::hex << BackPixel(10, 20);
    EXPECT_TRUE(near(0x009664, BackPixel(49, 39))) << std::hex << BackPixel(49, 39);
    EXPECT_TRUE(near(0xC49664, BackPixel(60, 20))) << std::hex << BackPixel(60, 20);
    EXPECT_EQ(BackPixel(50, 39), 0xC89664u);
    EXPECT_EQ(BackPixel(100, 20), 0xC89664u);
    const DrawSettingsBlock* settings = GetDrawSettings();
    EXPECT_EQ(settings->blend_mode, 3);
    EXPECT_EQ(settings->blend_value, 100);
    EXPECT_EQ(settings->bright[2], 10);
    EXPECT_EQ(settings->bright[1], 20);
    EXPECT_EQ(settings->bright[0], 30);

    ASSERT_EQ(SetBlendModeAndValue(0, 255), 0);
    ASSERT_EQ(SetBrightColorRGB(255, 255, 255), 0);
    EndSceneD3D();
    ASSERT_EQ(DrawBoxOutline(200, 200, 210, 210, red), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_count, 24u);
    EndSceneD3D();
    GetDrawSettings()->outline_switch = 1;
    ASSERT_EQ(DrawBoxOutline(220, 200, 230, 210, red), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_count, 0u);
    GetDrawSettings()->outline_switch = 0;
}

// A string drawn through the font's glyph textures shows the same pixels as the same font
// without a texture cache drawn by the 2-D path, across and top to bottom.
TEST_F(TargetDraws, TextThroughGlyphTexturesMatchesTheTwoDimensionalPath) {
    const int textured = CreateFontToHandle(nullptr, 16, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_GE(textured, 0);
    if (!GetFontRecord(textured)->texture_cache) GTEST_SKIP() << "the device offers no glyph texture formats";
    GetFontManager()->no_texture_cache = 1;
    const int plain = CreateFontToHandle(nullptr, 16, -1, -1, -1, -1, 0, -1, -1);
    GetFontManager()->no_texture_cache = 0;
    ASSERT_GE(plain, 0);
    ASSERT_EQ(GetFontRecord(plain)->texture_cache, 0);
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    ASSERT_EQ(DrawStringD3D(10, 10, "AgW", white, textured, 0, 0), 0);
    ASSERT_EQ(DrawStringD3D(10, 60, "AgW", white, plain, 0, 0), 0);
    // Top to bottom, side by side.
    ASSERT_EQ(DrawStringD3D(100, 10, "AgW", white, textured, 0, 1), 0);
    ASSERT_EQ(DrawStringD3D(150, 10, "AgW", white, plain, 0, 1), 0);
    const std::vector<std::string> through_textures = Picture(RECT{8, 8, 60, 40});
    const std::vector<std::string> two_d = Picture(RECT{8, 58, 60, 90});
    EXPECT_EQ(through_textures, two_d);
    const std::vector<std::string> down_through_textures = Picture(RECT{98, 8, 130, 60});
    const std::vector<std::string> down_two_d = Picture(RECT{148, 8, 180, 60});
    EXPECT_EQ(down_through_textures, down_two_d);
    int lit = 0, lit_down = 0;
    for (const std::string& row : through_textures) lit += static_cast<int>(std::count(row.begin(), row.end(), '#'));
    for (const std::string& row : down_two_d) lit_down += static_cast<int>(std::count(row.begin(), row.end(), '#'));
    EXPECT_GT(lit, 30);
    EXPECT_EQ(lit_down, lit);
    EXPECT_EQ(DeleteFontHandle(textured), 0);
    EXPECT_EQ(DeleteFontHandle(plain), 0);
}

// Text scaled through the glyph textures: with the scale flag at scale 1 it shows the
// pixels of the unscaled text, at scale 2 each of those pixels as a 2 x 2 block; across
// and top to bottom, plain, edged and anti-aliased edged.
TEST_F(TargetDraws, ScaledTextThroughGlyphTexturesEnlargesTheUnscaledText) {
    struct Case {
        int type;
        int vertical;
    };
    const Case cases[] = {{0, 0}, {0, 1}, {kFontTypeEdge, 0}, {kFontTypeEdge, 1},
                          {kFontTypeEdge | kFontTypeAntialias, 1}};
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    const std::uint32_t red = MakeColorValue(255, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        SCOPED_TRACE(c.vertical);
        const int font = CreateFontToHandle(nullptr, 16, -1, c.type, -1, (c.type & kFontTypeEdge) ? 2 : -1, 0, -1, -1);
        ASSERT_GE(font, 0);
        if (!GetFontRecord(font)->texture_cache) GTEST_SKIP() << "the device offers no glyph texture formats";
        FillBack(0);
        // The text's area (from 4 pixels before its origin) and where the three draws go.
        const int across = c.vertical ? 36 : 80, down = c.vertical ? 80 : 36;
        const int x1 = 20, y1 = 20;
        const int xs1 = c.vertical ? 80 : 20, ys1 = c.vertical ? 20 : 80;
        const int x2 = c.vertical ? 140 : 20, y2 = c.vertical ? 20 : 140;
        const RECT area = GetDrawSettings()->draw_area;
        auto draw = [&](int x, int y, int flag, double scale) {
            return DrawStringCore({.draw = 1, .x = x, .y = y, .scale_flag = static_cast<std::uint8_t>(flag),
                                   .x_scale = scale, .y_scale = scale, .text = "AgW", .color = white, .clip = &area,
                                   .transparent = 1, .font = font, .edge_color = red, .vertical = c.vertical});
        };
        const int advance = draw(x1, y1, 0, 1.0);
        ASSERT_GT(advance, 0);
        EXPECT_EQ(draw(xs1, ys1, 1, 1.0), advance);
        EXPECT_EQ(draw(x2, y2, 1, 2.0), advance * 2);
        const std::vector<std::uint32_t> plain = ReadBack(RECT{x1 - 4, y1 - 4, x1 + across, y1 + down});
        const std::vector<std::uint32_t> scale1 = ReadBack(RECT{xs1 - 4, ys1 - 4, xs1 + across, ys1 + down});
        EXPECT_EQ(scale1, plain);
        const int w = across + 4;
        const std::vector<std::uint32_t> scale2 = ReadBack(RECT{x2 - 8, y2 - 8, x2 + 2 * across, y2 + 2 * down});
        int lit = 0, wrong = 0;
        for (int y = 0; y < 2 * (down + 4); ++y) {
            for (int x = 0; x < 2 * w; ++x) {
                const std::uint32_t want = plain[static_cast<std::size_t>(y / 2) * w + x / 2];
                const std::uint32_t got = scale2[static_cast<std::size_t>(y) * 2 * w + x];
                if (want != 0) ++lit;
                if (got != want && wrong++ < 5) ADD_FAILURE() << x << "," << y << ": " << std::hex << got << " " << want;
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(lit, 4 * 30);
        EXPECT_EQ(DeleteFontHandle(font), 0);
    }
}

TEST_F(TargetDraws, TextNeedsALiveFont) {
    EXPECT_EQ(DrawStringD3D(0, 0, "A", MakeColorValue(255, 255, 255), 0x7FFF, 0, 0), -1);
}

}  // namespace
