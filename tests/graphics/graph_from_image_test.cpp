// Graphs from image data: the key colour made into alpha with edge pixels taking their
// opaque neighbours' colours, the key from the top-left pixel for one call only, divided
// sheets (count, order, mirroring, pieces outside the picture), and total count 0.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;
using graph_test::MakePicture;

namespace {

// The alpha channel of the graph's pixel (x, y).
std::uint32_t GraphAlpha(int graph, int x, int y) { return graph_test::GraphArgb(graph, x, y) >> 24; }

TEST(GraphFromImage, KeyPixelsBecomeTransparentAndTakeTheirNeighboursColour) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->transparent_color = 0xFF00FF;
    settings->alpha_bleed = 1;
    // Magenta, red, magenta in a row.
    GraphImage row = MakePicture(3, 1, [](int x, int) { return x == 1 ? 0xFF0000u : 0xFF00FFu; });
    const int graph = BuildGraphFromGraphImageDefault(&row);
    ASSERT_GT(graph, 0);
    EXPECT_EQ(GetGraphRecord(graph)->creation.alpha_channel, 1);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(GraphPixel(graph, x, 0), 0xFF0000u) << x;
    EXPECT_EQ(GraphAlpha(graph, 0, 0), 0u);
    EXPECT_EQ(GraphAlpha(graph, 1, 0), 255u);
    EXPECT_EQ(GraphAlpha(graph, 2, 0), 0u);
    // A key pixel between an opaque one above (blue) and one below (green) takes green.
    GraphImage column = MakePicture(1, 3, [](int, int y) { return y == 0 ? 0x0000FFu : y == 1 ? 0xFF00FFu : 0x00FF00u; });
    const int second = BuildGraphFromGraphImageDefault(&column);
    EXPECT_EQ(GraphPixel(second, 0, 1), 0x00FF00u);
    EXPECT_EQ(GraphAlpha(second, 0, 1), 0u);
    // The caller's pictures are as they were.
    EXPECT_EQ(GetGraphImagePixel(&row, 0, 0) & 0xFFFFFF, 0xFF00FFu);
    FreeGraphImage(&row);
    FreeGraphImage(&column);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphFromImage, TheKeyFromTheTopLeftPixelHoldsForOneCallOnly) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->transparent_color = 0x000000;
    settings->new_graph.key_from_top_left = 1;
    GraphImage image = MakePicture(2, 2, [](int x, int y) { return x == 0 && y == 0 ? 0x102030u : 0x405060u; });
    const int graph = BuildGraphFromGraphImageDefault(&image);
    ASSERT_GT(graph, 0);
    EXPECT_EQ(settings->transparent_color, 0u);
    const SurfaceData* data = graph_test::FirstPieceData(graph);
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    SplitColorValueInFormat(data->color_image.block->format, data->color_image.block->transparent_color, &r, &g, &b,
                            &a);
    EXPECT_EQ(r << 16 | g << 8 | b, 0x102030u);
    FreeGraphImage(&image);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(GraphFromImage, ADividedSheetGivesItsPiecesInRowOrder) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    // A 4 x 2 sheet of 3 x 2 pieces; each piece is one colour, its index.
    GraphImage sheet = MakePicture(12, 4, [](int x, int y) { return static_cast<std::uint32_t>((y / 2) * 4 + x / 3) * 0x101010u; });
    const int before = GetGraphCount();
    std::vector<int> handles(8, -7);
    ASSERT_EQ(CreateDivGraphFromGraphImage(&sheet, nullptr, 6, 4, 2, 3, 2, handles.data(), 1, 0, 1), 0);
    for (int i = 0; i < 6; ++i) {
        int width = 0, height = 0;
        ASSERT_EQ(ReadGraphSize(handles[i], &width, &height), 0) << i;
        EXPECT_EQ(width, 3);
        EXPECT_EQ(height, 2);
        EXPECT_EQ(GraphPixel(handles[i], 2, 1), static_cast<std::uint32_t>(i) * 0x101010u) << i;
    }
    EXPECT_EQ(handles[6], -7);
    EXPECT_EQ(GetGraphCount(), before + 6);  // the base graph is gone
    // Mirrored: the pieces keep their order, each mirrored.
    GraphImage strip = MakePicture(4, 1, [](int x, int) { return static_cast<std::uint32_t>(x) * 0x202020u; });
    std::vector<int> mirrored(2, -7);
    ASSERT_EQ(CreateDivGraphFromGraphImage(&strip, nullptr, 2, 2, 1, 2, 1, mirrored.data(), 1, 1, 1), 0);
    EXPECT_EQ(GraphPixel(mirrored[0], 0, 0), 0x202020u);
    EXPECT_EQ(GraphPixel(mirrored[0], 1, 0), 0x000000u);
    EXPECT_EQ(GraphPixel(mirrored[1], 0, 0), 0x606060u);
    EXPECT_EQ(GetGraphImagePixel(&strip, 0, 0) & 0xFFFFFF, 0u);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    FreeGraphImage(&sheet);
    FreeGraphImage(&strip);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphFromImage, PiecesOutsideThePictureFailAndTotalZeroLeavesNothing) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    GraphImage sheet = MakePicture(8, 8, [](int, int) { return 0x123456u; });
    const int before = GetGraphCount();
    std::vector<int> handles(16, -7);
    // Four across of 4 pixels do not fit an 8-pixel picture.
    EXPECT_EQ(CreateDivGraphFromGraphImage(&sheet, nullptr, 8, 4, 2, 4, 4, handles.data(), 1, 0, 1), -1);
    EXPECT_EQ(GetGraphCount(), before);
    EXPECT_EQ(CreateDivGraphFromGraphImage(&sheet, nullptr, 4, 4, 1, 4, 4, handles.data(), 1, 1, 1), -1);
    EXPECT_EQ(GetGraphCount(), before);
    EXPECT_EQ(CreateDivGraphFromGraphImage(&sheet, nullptr, 0, 2, 2, 4, 4, handles.data(), 1, 0, 1), 0);
    EXPECT_EQ(GetGraphCount(), before);
    FreeGraphImage(&sheet);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// A divided load names every piece after its file, also when the counts across and down
// are far larger than the total; with graphics off the sheet makes no graphs and is no
// failure.
TEST(GraphFromImage, DividedLoadsWithHugeCountsAndWithGraphicsOff) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    PngSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.color_type = 2;
    for (int y = 0; y < 2; ++y) {
        std::vector<unsigned char> row;
        for (int x = 0; x < 4; ++x) row.insert(row.end(), {static_cast<unsigned char>(x * 60), 0x10, 0x20});
        spec.rows.push_back(row);
    }
    const Bytes bytes = MakePng(spec);
    std::ofstream("sheet.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::vector<int> handles(4, -7);
    ASSERT_EQ(LoadGraphFileDivided("sheet.png", 2, 100000, 100000, 1, 1, handles.data(), 0, 0), 0);
    EXPECT_STREQ(GetGraphRecord(handles[0])->file_name, "sheet.png");
    EXPECT_STREQ(GetGraphRecord(handles[1])->file_name, "sheet.png");
    EXPECT_EQ(GraphPixel(handles[1], 0, 0), 0x3C1020u);
    EXPECT_EQ(handles[2], -7);
    const int before = GetGraphCount();
    GetDrawSettings()->graphics_off = 1;
    EXPECT_EQ(LoadGraphFileDivided("sheet.png", 2, 2, 1, 2, 2, handles.data(), 0, 0), 0);
    GetDrawSettings()->graphics_off = 0;
    EXPECT_EQ(GetGraphCount(), before);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
