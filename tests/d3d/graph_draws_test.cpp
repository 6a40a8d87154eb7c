// Texture graphs drawn through the device onto the back buffer and read back: point draws
// (whole, clipped, of several pieces), stretched and mirrored draws, parallelogram and
// free quads, the four-point draw of an upright rectangle and through a blend graph, and
// pending quads drawn before a state changes.
// Point-sampled draws of whole texels are exact.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphs/surface_data.h"
#include "platform/testing/gl_testing.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

using d3d_test::PatternTexel;

class GraphDraws : public d3d_test::D3DDrawSession {};

// The texel of a graph of quadrant colours: red, green / blue, white.
std::uint32_t Quadrant(int x, int y, int w, int h) {
    static constexpr std::uint32_t kColours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    return kColours[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)];
}

TEST_F(GraphDraws, PointDrawCopiesEveryTexel) {
    const GraphRecord* graph = MakeTextureGraph(40, 30, PatternTexel);
    ASSERT_EQ(DrawGraphD3D(100, 50, 100.0f, 50.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> pixels = ReadBack(RECT{99, 49, 141, 81});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 42; ++x) {
            const bool inside = x >= 1 && x <= 40 && y >= 1 && y <= 30;
            const std::uint32_t expected = inside ? PatternTexel(x - 1, y - 1) : 0;
            ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 42 + x], expected) << x << "," << y;
        }
    }
}

TEST_F(GraphDraws, PointDrawClipsAtTheDrawAreaByMovingTexels) {
    const GraphRecord* graph = MakeTextureGraph(32, 32, PatternTexel);
    ASSERT_EQ(DrawGraphD3D(-10, 5, -10.0f, 5.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> pixels = ReadBack(RECT{0, 5, 24, 37});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 24; ++x) {
            const std::uint32_t expected = x < 22 ? PatternTexel(x + 10, y) : 0;
            ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 24 + x], expected) << x << "," << y;
        }
    }
    // A narrower draw area cuts the right and bottom too.
    ASSERT_EQ(SetDrawClipArea(200, 100, 210, 104), 0);
    ASSERT_EQ(DrawGraphD3D(195, 98, 195.0f, 98.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> cut = ReadBack(RECT{199, 99, 211, 105});
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x <= 10 && y >= 1 && y <= 4;
            ASSERT_EQ(cut[static_cast<std::size_t>(y) * 12 + x], inside ? PatternTexel(x + 4, y + 1) : 0)
                << x << "," << y;
        }
    }
    // Wholly outside: nothing drawn, no failure.
    FillBack(0x000000);
    ASSERT_EQ(SetDrawClipArea(0, 0, 640, 480), 0);
    ASSERT_EQ(DrawGraphD3D(700, 5, 700.0f, 5.0f, graph, 0, 1), 0);
    for (std::uint32_t p : ReadBack(RECT{600, 0, 640, 40})) ASSERT_EQ(p, 0u);
}

TEST_F(GraphDraws, AGraphOfSixPiecesIsDrawnSeamlessly) {
    // Pieces of at most 64 texels: 150 x 100 is 64 + 64 + 32 across and 64 + 64 down.
    D3DState().max_texture_size = 64;
    const GraphRecord* graph = MakeTextureGraph(150, 100, PatternTexel);
    ASSERT_EQ(graph->piece_count, 6);
    ASSERT_EQ(DrawGraphD3D(20, 30, 20.0f, 30.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> pixels = ReadBack(RECT{20, 30, 170, 130});
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 150; ++x) {
            ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 150 + x], PatternTexel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(GraphDraws, StretchedAndMirroredDraws) {
    const GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    ASSERT_EQ(DrawGraphStretchD3D(100, 100, 132, 132, 100.0f, 100.0f, 132.0f, 132.0f, graph, 0, 1), 0);
    // Left to right reversed: the mirror image.
    ASSERT_EQ(DrawGraphStretchD3D(232, 100, 200, 132, 232.0f, 100.0f, 200.0f, 132.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> plain = ReadBack(RECT{100, 100, 132, 132});
    const std::vector<std::uint32_t> mirror = ReadBack(RECT{200, 100, 232, 132});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(plain[static_cast<std::size_t>(y) * 32 + x], PatternTexel(x / 2, y / 2)) << x << "," << y;
            ASSERT_EQ(mirror[static_cast<std::size_t>(y) * 32 + x], PatternTexel(15 - x / 2, y / 2)) << x << "," << y;
        }
    }
    EXPECT_EQ(DrawGraphStretchD3D(5, 5, 5, 40, 5.0f, 5.0f, 5.0f, 40.0f, graph, 0, 1), -1);
    EXPECT_EQ(DrawGraphStretchD3D(5, 5, 40, 5, 5.0f, 5.0f, 40.0f, 5.0f, graph, 0, 1), -1);
}

TEST_F(GraphDraws, StretchedDrawClippedOnTheLeft) {
    const GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    ASSERT_EQ(DrawGraphStretchD3D(-8, 0, 24, 32, -8.0f, 0.0f, 24.0f, 32.0f, graph, 0, 1), 0);
    const std::vector<std::uint32_t> pixels = ReadBack(RECT{0, 0, 26, 32});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 26; ++x) {
            const std::uint32_t expected = x < 24 ? PatternTexel((x + 8) / 2, y / 2) : 0;
            ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 26 + x], expected) << x << "," << y;
        }
    }
}

TEST_F(GraphDraws, AParallelogramIsBatchedAndATrapezoidIsAGrid) {
    const GraphRecord* graph = MakeTextureGraph(32, 32, [](int x, int y) { return Quadrant(x, y, 32, 32); });
    EndSceneD3D();
    // A parallelogram leaning right by 20 pixels over 64 rows.
    ASSERT_EQ(DrawGraphQuadD3D(100, 100, 164, 100, 120, 164, 184, 164, graph, 0), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_count, 6u);
    // Quadrant centres, each moved right by the lean at its height.
    EXPECT_EQ(BackPixel(116 + 5, 116), 0xFF0000u);
    EXPECT_EQ(BackPixel(148 + 5, 116), 0x00FF00u);
    EXPECT_EQ(BackPixel(116 + 15, 148), 0x0000FFu);
    EXPECT_EQ(BackPixel(148 + 15, 148), 0xFFFFFFu);
    EXPECT_EQ(BackPixel(102, 160), 0u);  // left of the slanted edge
    EXPECT_EQ(BackPixel(182, 104), 0u);  // right of it

    // A trapezoid: 64 wide at the top, 128 at the bottom; drawn at once, not batched.
    ASSERT_EQ(DrawGraphQuadD3D(332, 100, 396, 100, 300, 164, 428, 164, graph, 0), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_count, 0u);
    EXPECT_EQ(BackPixel(350, 108), 0xFF0000u);
    EXPECT_EQ(BackPixel(380, 108), 0x00FF00u);
    EXPECT_EQ(BackPixel(330, 156), 0x0000FFu);
    EXPECT_EQ(BackPixel(400, 156), 0xFFFFFFu);
    EXPECT_EQ(BackPixel(350, 131), 0xFF0000u);  // just above the middle row, left half
    EXPECT_EQ(BackPixel(350, 133), 0x0000FFu);
    EXPECT_EQ(BackPixel(310, 104), 0u);  // outside the slanted left edge
    EXPECT_EQ(BackPixel(420, 104), 0u);
}

TEST_F(GraphDraws, AnUprightFourPointDrawIsAStretchedDraw) {
    const GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    ASSERT_EQ(DrawGraphFourPointD3D(50, 60, 82, 60, 50, 92, 82, 92, graph, 0), 0);
    const std::vector<std::uint32_t> pixels = ReadBack(RECT{50, 60, 82, 92});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 32 + x], PatternTexel(x / 2, y / 2)) << x << "," << y;
        }
    }
}

// With a blend graph of a hard border (width 0) a graph is drawn where the blend graph's
// alpha, laid over it in graph coordinates, reaches the border (also at border 255: the
// four-point draw goes to the device at once, past the batch's skip-draw check). The quad turns a graph of 3 x 3 pieces a quarter clockwise: texel (x, y) lands on
// pixel (139 - y, 60 + x). Corners given with fractions to the quad draw are cut to
// integers and give the same picture.
TEST_F(GraphDraws, AFourPointDrawThroughABlendGraphShowsWhereTheBlendAlphaReachesTheBorder) {
    static constexpr std::uint32_t kAlphas[4] = {0x00, 0x77, 0x88, 0xFF};
    auto blend_alpha = [](int x, int y) { return kAlphas[(x * 5 + y * 3) % 4]; };
    const GraphRecord* blend =
        MakeTextureGraph(40, 40, [&](int x, int y) { return blend_alpha(x, y) << 24 | 0x123456u; }, 1);
    ASSERT_EQ(blend->piece_count, 1);
    D3DState().max_texture_size = 16;
    const GraphRecord* graph = MakeTextureGraph(40, 40, PatternTexel);
    ASSERT_EQ(graph->piece_count, 9);
    struct Case {
        int border;
        bool through_quad;
    };
    const Case cases[] = {{0, false}, {0x77, false}, {0x80, false}, {0x80, true}, {0xFF, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.border);
        SCOPED_TRACE(c.through_quad);
        FillBack(0);
        ASSERT_EQ(SetBlendSourceGraph(blend->handle, c.border, 0), 0);
        if (c.through_quad) {
            ASSERT_EQ(DrawGraphQuadD3D(140.7f, 60.2f, 140.9f, 100.5f, 100.3f, 60.99f, 100.5f, 100.1f, graph, 0), 0);
        } else {
            ASSERT_EQ(DrawGraphFourPointD3D(140, 60, 140, 100, 100, 60, 100, 100, graph, 0), 0);
        }
        const std::vector<std::uint32_t> pixels = ReadBack(RECT{99, 59, 141, 101});
        for (int y = 0; y < 42; ++y) {
            for (int x = 0; x < 42; ++x) {
                const int tx = y - 1, ty = 40 - x;  // the texel shown at this pixel
                const bool inside = tx >= 0 && tx < 40 && ty >= 0 && ty < 40;
                const bool shown = inside && blend_alpha(tx, ty) >= static_cast<std::uint32_t>(c.border);
                ASSERT_EQ(pixels[static_cast<std::size_t>(y) * 42 + x], shown ? PatternTexel(tx, ty) : 0u)
                    << x << "," << y;
            }
        }
    }
    ASSERT_EQ(SetBlendSourceGraph(-1, 0, 0), 0);
}

// A render state is changed only after what is pending was drawn under the old one: the
// quad drawn with the colour key goes to the device before the key is turned off for the
// next quad of the same graph (one made without alpha test, as glyph graphs are).
TEST_F(GraphDraws, PendingQuadsAreDrawnBeforeTheColourKeyChanges) {
    SetNewGraphAlphaTest(0);
    const GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    SetNewGraphAlphaTest(1);
    ASSERT_EQ(DrawGraphD3D(10, 10, 10.0f, 10.0f, graph, 1, 1), 0);
    RecordGlDeviceCalls log;
    ASSERT_EQ(DrawGraphD3D(40, 10, 40.0f, 10.0f, graph, 0, 1), 0);
    EndSceneD3D();
    const std::vector<GlDeviceCall> calls = log.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, GlDeviceCallKind::kDrawPrimitive);
    EXPECT_EQ(calls[1].kind, GlDeviceCallKind::kSetRenderState);
    EXPECT_EQ(calls[1].state, D3DRENDERSTATE_COLORKEYENABLE);
    EXPECT_EQ(calls[1].value, 0u);
    EXPECT_EQ(calls[2].kind, GlDeviceCallKind::kDrawPrimitive);
    EXPECT_EQ(calls[3].kind, GlDeviceCallKind::kEndScene);
    // Each draw holds its own quad: 6 vertices of 28 bytes, the first at x - 0.5.
    const float lefts[2] = {9.5f, 39.5f};
    for (int i = 0; i < 2; ++i) {
        const GlDeviceCall& draw = calls[i * 2];
        ASSERT_EQ(draw.count, 6u) << i;
        ASSERT_EQ(draw.data.size(), 6u * 28u) << i;
        float x = 0.0f;
        std::memcpy(&x, draw.data.data(), sizeof x);
        EXPECT_EQ(x, lefts[i]) << i;
    }
}

TEST_F(GraphDraws, BadPiecesFailAndAnUnavailableDeviceDrawsNothing) {
    GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    const int kept = graph->pieces[0];
    graph->pieces[0] = 0x30000000 | 0xFFFF;  // a slot no piece holds
    EXPECT_EQ(DrawGraphD3D(0, 0, 0.0f, 0.0f, graph, 0, 1), -1);
    EXPECT_EQ(DrawGraphStretchD3D(0, 0, 8, 8, 0.0f, 0.0f, 8.0f, 8.0f, graph, 0, 1), -1);
    EXPECT_EQ(DrawGraphQuadD3D(0, 0, 8, 0, 0, 8, 8, 8, graph, 0), -1);
    graph->pieces[0] = kept;
    D3DState().device_unavailable = 1;
    EXPECT_EQ(DrawGraphD3D(0, 0, 0.0f, 0.0f, graph, 0, 1), 0);
    EXPECT_EQ(DrawGraphStretchD3D(0, 0, 8, 8, 0.0f, 0.0f, 8.0f, 8.0f, graph, 0, 1), 0);
    EXPECT_EQ(DrawGraphQuadD3D(0, 0, 8, 0, 0, 8, 8, 8, graph, 0), 0);
    D3DState().device_unavailable = 0;
    for (std::uint32_t p : ReadBack(RECT{0, 0, 16, 16})) ASSERT_EQ(p, 0u);
}

// A piece whose texture surface is gone sets up untextured drawing: no textured vertex
// may go into the batch, which then holds 20-byte vertices.
TEST_F(GraphDraws, PiecesWithoutATextureWriteNoVertices) {
    const GraphRecord* graph = MakeTextureGraph(16, 16, PatternTexel);
    ASSERT_EQ(ReleaseSurfaceDataSurface(GetSurface3DData(graph->pieces[0])->surface_data), 0);
    EndSceneD3D();
    ASSERT_EQ(DrawGraphQuadD3D(10, 10, 26, 10, 10, 26, 26, 26, graph, 0), 0);
    ASSERT_EQ(DrawGraphQuadD3D(10, 10, 26, 10, 0, 26, 36, 26, graph, 0), 0);
    ASSERT_EQ(DrawGraphD3D(40, 10, 40.0f, 10.0f, graph, 0, 1), 0);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_type, 0u);
    EXPECT_EQ(CurrentD3DDeviceRecord()->vertex_count, 0u);
    for (std::uint32_t p : ReadBack(RECT{0, 0, 60, 30})) ASSERT_EQ(p, 0u);
}

}  // namespace
