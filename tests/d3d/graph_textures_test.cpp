// Texture graphs on a live device: how graphs are cut into pieces (the 640 x 480 screen
// graph, the 64-piece limit, square-only devices), the corner flags, a creation that
// fails half-way, derived graphs that share their source's textures, and writing and
// filling the pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

using d3d_test::PatternTexel;

class GraphTextures : public d3d_test::D3DDrawSession {
protected:
    GraphRecord* Record(int width, int height) {
        GraphRecord* record = nullptr;
        const int handle = CreateGraphRecord(width, height, 1, &record, 0, 0);
        EXPECT_NE(record, nullptr);
        graphs_.push_back(handle);
        return record;
    }
    // Texture size and visible size of each piece, "WxH/wxh at x,y".
    static std::vector<std::string> Layout(const GraphRecord* graph) {
        std::vector<std::string> out;
        for (int i = 0; i < graph->piece_count; ++i) {
            const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
            const SurfaceData* data = piece != nullptr ? GetSurfaceData(piece->surface_data) : nullptr;
            if (data == nullptr) {
                out.push_back("bad");
                continue;
            }
            out.push_back(std::to_string(data->width) + "x" + std::to_string(data->height) + "/" +
                          std::to_string(piece->width) + "x" + std::to_string(piece->height) + " at " +
                          std::to_string(piece->graph_x) + "," + std::to_string(piece->graph_y));
        }
        return out;
    }
};

TEST_F(GraphTextures, AScreenSizedGraphIsTwelvePieces) {
    D3DState().min_texture_size = 1;
    D3DState().max_texture_size = 256;
    GraphRecord* graph = Record(640, 480);
    ASSERT_EQ(CreateGraphTextures(graph, GetDrawSettings()->transparent_color), 0);
    const std::vector<std::string> expected = {
        "256x256/256x256 at 0,0",   "256x256/256x256 at 256,0",   "128x256/128x256 at 512,0",
        "256x128/256x128 at 0,256", "256x128/256x128 at 256,256", "128x128/128x128 at 512,256",
        "256x64/256x64 at 0,384",   "256x64/256x64 at 256,384",   "128x64/128x64 at 512,384",
        "256x32/256x32 at 0,448",   "256x32/256x32 at 256,448",   "128x32/128x32 at 512,448"};
    EXPECT_EQ(Layout(graph), expected);
}

TEST_F(GraphTextures, SixtyFourPiecesAtMostAndNothingMadeBeyond) {
    D3DState().min_texture_size = 1;
    D3DState().max_texture_size = 256;
    GraphRecord* full = Record(2048, 2048);
    ASSERT_EQ(CreateGraphTextures(full, GetDrawSettings()->transparent_color), 0);
    EXPECT_EQ(full->piece_count, 64);
    const int live = D3DState().piece_count;
    GraphRecord* over = Record(2049, 2048);
    EXPECT_EQ(CreateGraphTextures(over, GetDrawSettings()->transparent_color), -1);
    EXPECT_EQ(over->piece_count, 0);
    EXPECT_EQ(D3DState().piece_count, live);
    EXPECT_EQ(DeleteGraphTextures(full), 0);
    EXPECT_EQ(D3DState().piece_count, live - 64);
}

TEST_F(GraphTextures, SquareOnlyDevicesCutPiecesIntoSquares) {
    D3DState().min_texture_size = 1;
    D3DState().max_texture_size = 256;
    D3DState().device_desc.dpcTriCaps.dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    GraphRecord* graph = Record(256, 64);
    ASSERT_EQ(CreateGraphTextures(graph, GetDrawSettings()->transparent_color), 0);
    D3DState().device_desc.dpcTriCaps.dwTextureCaps &= ~D3DPTEXTURECAPS_SQUAREONLY;
    const std::vector<std::string> expected = {"64x64/64x64 at 0,0", "64x64/64x64 at 64,0", "64x64/64x64 at 128,0",
                                               "64x64/64x64 at 192,0"};
    EXPECT_EQ(Layout(graph), expected);
}

TEST_F(GraphTextures, CornerFlagsMarkTheUpperLeftTriangle) {
    D3DState().max_texture_size = 64;
    GraphRecord* graph = Record(128, 64);
    ASSERT_EQ(CreateGraphTextures(graph, GetDrawSettings()->transparent_color), 0);
    ASSERT_EQ(graph->piece_count, 2);
    const Surface3DData* left = GetSurface3DData(graph->pieces[0]);
    const Surface3DData* right = GetSurface3DData(graph->pieces[1]);
    // The anti-diagonal runs from (0, 64) to (128, 0): y <= 64 - x / 2.
    EXPECT_EQ(std::vector<int>(left->diagonal, left->diagonal + 4), (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(std::vector<int>(right->diagonal, right->diagonal + 4), (std::vector<int>{1, 1, 0, 0}));
}

// The piece table has room for three more pieces: the graph keeps the three it got, so
// deleting it frees them all.
TEST_F(GraphTextures, AFailedCreationKeepsCountOfThePiecesMade) {
    D3DState().max_texture_size = 256;
    const int live = D3DState().piece_count;
    D3DState().piece_count = kSurface3DSlots - 3;
    GraphRecord* graph = Record(640, 480);
    EXPECT_EQ(CreateGraphTextures(graph, GetDrawSettings()->transparent_color), -1);
    EXPECT_EQ(graph->piece_count, 3);
    EXPECT_EQ(DeleteGraphTextures(graph), 0);
    EXPECT_EQ(D3DState().piece_count, kSurface3DSlots - 3);
    D3DState().piece_count = live;
}

TEST_F(GraphTextures, DerivedGraphsShowTheirPartOfTheSource) {
    const GraphRecord* single = MakeTextureGraph(64, 64, PatternTexel);
    GraphRecord* part = Record(30, 25);
    ASSERT_EQ(DeriveGraphD3D(part, 10, 20, 30, 25, single), 0);
    ASSERT_EQ(part->piece_count, 1);
    const Surface3DData* piece = GetSurface3DData(part->pieces[0]);
    EXPECT_EQ(piece->texture_x, 10);
    EXPECT_EQ(piece->texture_y, 20);
    EXPECT_EQ(piece->surface_data, GetSurface3DData(single->pieces[0])->surface_data);

    D3DState().max_texture_size = 64;
    const GraphRecord* sheet = MakeTextureGraph(150, 100, PatternTexel);
    ASSERT_EQ(sheet->piece_count, 6);
    GraphRecord* across = Record(60, 40);
    ASSERT_EQ(DeriveGraphD3D(across, 40, 50, 60, 40, sheet), 0);
    EXPECT_EQ(across->piece_count, 4);  // it crosses the first two columns and both rows

    ASSERT_EQ(DrawGraphD3D(100, 100, 100.0f, 100.0f, part, 0, 1), 0);
    ASSERT_EQ(DrawGraphD3D(200, 100, 200.0f, 100.0f, across, 0, 1), 0);
    const std::vector<std::uint32_t> a = ReadBack(RECT{100, 100, 130, 125});
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(a[static_cast<std::size_t>(y) * 30 + x], PatternTexel(x + 10, y + 20));
    }
    const std::vector<std::uint32_t> b = ReadBack(RECT{200, 100, 260, 140});
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) ASSERT_EQ(b[static_cast<std::size_t>(y) * 60 + x], PatternTexel(x + 40, y + 50));
    }
    // Deleting the derived graphs leaves the source's textures in place.
    EXPECT_EQ(DeleteGraphTextures(part), 0);
    EXPECT_EQ(DeleteGraphTextures(across), 0);
    EXPECT_EQ(Texel(single, 10, 20) & 0xFFFFFFu, PatternTexel(10, 20));
    EXPECT_EQ(Texel(sheet, 70, 70) & 0xFFFFFFu, PatternTexel(70, 70));
}

TEST_F(GraphTextures, RectanglesWrittenAcrossPiecesAndFills) {
    D3DState().max_texture_size = 64;
    const GraphRecord* graph = MakeTextureGraph(150, 100, [](int, int) { return 0x000000u; });
    std::vector<std::uint32_t> pixels(200 * 100);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) pixels[static_cast<std::size_t>(y) * 200 + x] = PatternTexel(x, y);
    }
    GraphImage image{};
    SetXrgb32ColorFormat(&image.format);
    image.width = 200;
    image.height = 100;
    image.pitch = 800;
    image.pixels = pixels.data();
    // Image rectangle (5, 6)-(45, 36) lands at (50, 40) of the graph: four pieces.
    const RECT rect{5, 6, 45, 36};
    ASSERT_EQ(BltImageRectToGraphTextures(ImageSourceOf(&image, nullptr), &rect, 50, 40, graph), 0);
    for (int y = 38; y < 72; y += 3) {
        for (int x = 48; x < 94; x += 3) {
            const bool inside = x >= 50 && x < 90 && y >= 40 && y < 70;
            ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, inside ? PatternTexel(x - 45, y - 34) : 0u) << x << "," << y;
        }
    }
    // A rectangle reaching past the picture's corner: only what the picture holds is read
    // and written.
    const RECT beyond{190, 90, 230, 130};
    ASSERT_EQ(BltImageRectToGraphTextures(ImageSourceOf(&image, nullptr), &beyond, 100, 60, graph), 0);
    EXPECT_EQ(Texel(graph, 100, 60) & 0xFFFFFFu, PatternTexel(190, 90));
    EXPECT_EQ(Texel(graph, 109, 69) & 0xFFFFFFu, PatternTexel(199, 99));
    EXPECT_EQ(Texel(graph, 110, 60) & 0xFFFFFFu, 0u);
    EXPECT_EQ(Texel(graph, 100, 70) & 0xFFFFFFu, 0u);
    // Pieces written whole from a picture smaller than the graph.
    GraphImage small = image;
    small.width = 20;
    small.height = 10;
    ASSERT_EQ(BltImageToGraphTextures(ImageSourceOf(&small, nullptr), 0, 0, graph), 0);
    EXPECT_EQ(Texel(graph, 19, 9) & 0xFFFFFFu, PatternTexel(19, 9));

    ASSERT_EQ(FillGraphTexturesColor(graph, 1, 2, 3, 255), 0);
    EXPECT_EQ(Texel(graph, 0, 0) & 0xFFFFFFu, 0x010203u);
    EXPECT_EQ(Texel(graph, 149, 99) & 0xFFFFFFu, 0x010203u);
}

}  // namespace
