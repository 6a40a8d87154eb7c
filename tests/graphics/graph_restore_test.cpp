// Graph restore and projection, and the screen copied into a graph: graphs cut from one
// file are refilled from one decode (a graph of another file between them forces a new
// one), graphs without a file keep their reload flag, the default callback comes back
// for null, the view rotation is the transposed view, and a screen rectangle copied into
// a graph of its exact size (one pixel more fails).
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_restore.h"
#include "platform/testing/display_testing.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;

namespace {

void WriteSolidPng(const char* name, int width, int height, std::uint32_t (*colour)(int, int)) {
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            row.push_back(static_cast<unsigned char>(c >> 16));
            row.push_back(static_cast<unsigned char>(c >> 8));
            row.push_back(static_cast<unsigned char>(c));
        }
        spec.rows.push_back(row);
    }
    const Bytes bytes = MakePng(spec);
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t SheetColour(int x, int y) { return static_cast<std::uint32_t>(x * 20) << 16 | static_cast<std::uint32_t>(y * 30); }
std::uint32_t OtherColour(int, int) { return 0x00C000; }

int custom_calls = 0;
void CustomRestore() { ++custom_calls; }

TEST(GraphRestore, GraphsOfOneFileAreRefilledFromOneDecode) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    WriteSolidPng("sheet.png", 8, 4, &SheetColour);
    WriteSolidPng("other.png", 2, 2, &OtherColour);
    int first[2], second[2];
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 2, 2, 1, 4, 4, first, 0), 0);
    const int other = ApiLoadImageAsGraph("other.png", 0);
    ASSERT_EQ(ApiLoadImageAsDivGraphs("sheet.png", 2, 2, 1, 4, 4, second, 0), 0);
    const int drawn = CreateBlankGraph(4, 4, 1);  // no file: keeps its flag
    for (int g : {first[0], first[1], other, second[0], second[1], drawn}) ASSERT_EQ(FillGraphColor(g, 0, 0, 0, 255), 0);
    const int decodes = GetRestoreDecodeCount();
    ASSERT_EQ(IsGraphRestoreCallbackSet(), 1);
    ASSERT_EQ(MarkGraphsForReload(), 0);
    EXPECT_EQ(GetRestoreDecodeCount() - decodes, 3);
    EXPECT_EQ(GraphPixel(first[1], 1, 2), SheetColour(5, 2));
    EXPECT_EQ(GraphPixel(second[0], 3, 3), SheetColour(3, 3));
    EXPECT_EQ(GraphPixel(second[1], 0, 1), SheetColour(4, 1));
    EXPECT_EQ(GraphPixel(other, 1, 1), 0x00C000u);
    EXPECT_EQ(GetGraphRecord(first[0])->reload, 0);
    EXPECT_EQ(GetGraphRecord(drawn)->reload, 1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphRestore, NullBringsBackTheDefaultCallback) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(SetGraphRestoreCallback(&CustomRestore), 0);
    MarkGraphsForReload();
    EXPECT_EQ(custom_calls, 1);
    ASSERT_EQ(SetGraphRestoreCallback(nullptr), 0);
    EXPECT_EQ(IsGraphRestoreCallbackSet(), 1);
    MarkGraphsForReload();
    EXPECT_EQ(custom_calls, 1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(GraphRestore, TheViewRotationIsTheTransposedView) {
    float view[16];
    for (int i = 0; i < 16; ++i) view[i] = static_cast<float>(i + 1);
    ASSERT_EQ(SetViewMatrix(view), 0);
    const float* rotation = GetDrawSettings()->view_rotation;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float want = (r < 3 && c < 3) ? view[4 * c + r] : 0.0f;
            EXPECT_EQ(rotation[4 * r + c], want) << r << "," << c;
        }
    }
}

TEST(GraphRestore, TheScreenCopiedIntoAGraphOfItsSize) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    ASSERT_EQ(DrawRectangle(15, 12, 25, 16, MakeColorValue(0x40, 0x80, 0xC0), 1), 0);
    const int graph = CreateBlankGraph(20, 10, 1);
    EXPECT_EQ(GetDrawScreenGraph(10, 10, 31, 20, graph, 0), -1);
    EXPECT_EQ(GetDrawScreenGraph(-1, 10, 19, 20, graph, 0), -1);
    ASSERT_EQ(GetDrawScreenGraph(10, 10, 30, 20, graph, 0), 0);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 2 && y < 6;
            EXPECT_EQ(GraphPixel(graph, x, y), inside ? 0x4080C0u : 0u) << x << "," << y;
        }
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

}  // namespace

namespace {

TEST(GraphRestore, RebuildingTheDisplayReloadsGraphsFromTheirFiles) {
    EngineSession session(false);
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    WriteSolidPng("sheet.png", 8, 4, &SheetColour);
    const int loaded = ApiLoadImageAsGraph("sheet.png", 0);
    const int drawn = CreateBlankGraph(4, 4, 1);
    ASSERT_EQ(FillGraphColor(drawn, 0x80, 0x80, 0x80, 255), 0);
    std::int32_t lost = 0;
    ASSERT_EQ(SetSurface2DLostFlagPointer(GetGraphRecord(drawn)->pieces[0], &lost), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(RebuildDisplayObjects(), 0);
    EXPECT_NE(GetDirectDrawObject(), nullptr);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(GraphPixel(loaded, 7, 3) & 0xF8FCF8, SheetColour(7, 3) & 0xF8FCF8);  // 16-bit screen
    EXPECT_EQ(GraphPixel(drawn, 0, 0), 0u);  // no file: blank, still flagged
    EXPECT_EQ(GetGraphRecord(drawn)->reload, 1);
    // Drawing and flipping work on the rebuilt display.
    capture.Take();
    ASSERT_EQ(ApiDrawGraphAtPoint(0, 0, loaded, 0), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].pixels[0] & 0xF8FCF8, SheetColour(0, 0) & 0xF8FCF8);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
