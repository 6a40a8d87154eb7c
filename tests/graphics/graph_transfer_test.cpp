// Pictures written into graph pieces: a placed rectangle touches only the pieces it
// crosses and is cut at their edges, a write running past the image is cut to it, and
// a palette picture whose palette lacks the transparent colour keys on index 0.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/graph_from_image.h"
#include "engine/graphics/graph_transfer.h"
#include "tests/graphics/graph_test_support.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;
using graph_test::MakePicture;

namespace {

// The pixel (x, y) of piece `index` of a graph, read from its image.
std::uint32_t PiecePixel(int graph, int index, int x, int y) {
    const Surface2D* piece = GetSurface2DRecord(GetGraphRecord(graph)->pieces[index]);
    const SurfaceData* data = GetSurfaceData(piece->surface_data);
    const MEMIMG& image = data->color_image;
    std::uint32_t raw = 0;
    std::memcpy(&raw, image.pixels + (piece->source_y + y) * image.block->pitch + (piece->source_x + x) * 4, 4);
    return raw & 0xFFFFFF;
}

TEST(GraphTransfer, APlacedRectangleTouchesOnlyThePiecesItCrosses) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    // A 16 x 4 graph of two 8 x 4 pieces side by side.
    const int graph = CreateBlankGraph(8, 4, 1);
    GraphRecord* record = GetGraphRecord(graph);
    record->pieces[1] = AddSurface2D(8, 4, 8, 0, graph, nullptr, 0, 0, &record->creation);
    ASSERT_NE(record->pieces[1], -1);
    record->piece_count = 2;
    record->width = 16;
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
    GraphImage picture = MakePicture(4, 4, [](int x, int y) { return static_cast<std::uint32_t>(0x100000 * (x + 1) + y); });
    const RECT all{0, 0, 4, 4};
    ASSERT_EQ(BltImageToGraph(&picture, nullptr, "p.png", &all, 10, 0, graph, 0), 0);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(PiecePixel(graph, 0, x, 1), 0u) << x;
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(PiecePixel(graph, 1, x, 1), x >= 2 && x < 6 ? 0x100000u * (x - 1) + 1 : 0u) << x;
    }
    EXPECT_EQ(std::string(record->file_name), "p.png");
    // Starting left of the second piece: cut on its left, lands at x 0 of it.
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
    ASSERT_EQ(BltImageToGraph(&picture, nullptr, nullptr, &all, 6, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixel(graph, 0, 6, 2), 0x100002u);
    EXPECT_EQ(PiecePixel(graph, 0, 7, 2), 0x200002u);
    EXPECT_EQ(PiecePixel(graph, 1, 0, 2), 0x300002u);
    EXPECT_EQ(PiecePixel(graph, 1, 1, 2), 0x400002u);
    EXPECT_EQ(PiecePixel(graph, 1, 2, 2), 0u);
    // Past the right edge of the image behind the piece: cut, nothing outside is written.
    ASSERT_EQ(BltImageToSurface2D(&picture, nullptr, &all, 6, 2, record->pieces[1], 0), 0);
    EXPECT_EQ(PiecePixel(graph, 1, 7, 3), 0x200001u);
    FreeGraphImage(&picture);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphTransfer, APaletteWithoutTheTransparentColourKeysOnIndexZero) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    GetDrawSettings()->transparent_color = 0xFF00FF;
    GraphImage image{};
    ASSERT_EQ(CreateXrgb32GraphImage(2, 2, &image), 0);  // for the allocation only
    SetPalette8ColorFormat(&image.format);
    image.pitch = 4;
    std::memset(image.pixels, 1, 8);
    for (int i = 0; i < 256; ++i) image.format.palette[i] = ColorPaletteEntry{static_cast<std::uint8_t>(i), 0, 0, 0};
    const int without = BuildGraphFromGraphImageDefault(&image);
    ASSERT_GT(without, 0);
    EXPECT_EQ(GetGraphRecord(without)->creation.palette, 1);
    EXPECT_EQ(graph_test::FirstPieceData(without)->color_image.block->transparent_color, 0u);
    image.format.palette[7] = ColorPaletteEntry{0xFF, 0x00, 0xFF, 0};
    const int with = BuildGraphFromGraphImageDefault(&image);
    EXPECT_EQ(graph_test::FirstPieceData(with)->color_image.block->transparent_color, 7u);
    FreeGraphImage(&image);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
