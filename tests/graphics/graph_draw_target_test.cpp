// A graph as the draw target: drawing into a derived graph lands in its own pixels of
// the shared image, a deleted graph is refused with the target cleared, and clearing a
// graph target fills only its own rectangle.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_draw_target.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/support/engine_testing/core_testing.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;

namespace {

TEST(GraphDrawTarget, DrawingIntoADerivedGraphLandsInItsOwnPixels) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int base = CreateBlankGraph(16, 16, 1);
    ASSERT_EQ(FillGraphColor(base, 0, 0, 0, 255), 0);
    const int piece = DeriveGraph(8, 4, 6, 6, base);
    ScreenState* screen = GetScreenState();
    ASSERT_EQ(SelectGraphDrawTarget(piece, screen), 0);
    ASSERT_NE(screen->target_image, nullptr);
    EXPECT_EQ(screen->target_image->width, 6);
    ASSERT_EQ(DrawRectangle(0, 0, 2, 2, MakeColorValue(255, 0, 0), 1), 0);
    EXPECT_EQ(GraphPixel(base, 8, 4), 0xFF0000u);
    EXPECT_EQ(GraphPixel(base, 9, 5), 0xFF0000u);
    EXPECT_EQ(GraphPixel(base, 0, 0), 0u);
    EXPECT_EQ(GraphPixel(base, 10, 4), 0u);
    ASSERT_EQ(ClearGraphDrawTarget(piece, 0, 0, 255), 0);
    EXPECT_EQ(GraphPixel(base, 8, 4), 0x0000FFu);
    EXPECT_EQ(GraphPixel(base, 13, 9), 0x0000FFu);
    EXPECT_EQ(GraphPixel(base, 14, 9), 0u);
    EXPECT_EQ(GraphPixel(base, 7, 4), 0u);
    DeleteGraphHandle(piece, 0);
    EXPECT_EQ(SelectGraphDrawTarget(piece, screen), -1);
    EXPECT_EQ(screen->target_image, nullptr);
    EXPECT_EQ(ClearGraphDrawTarget(piece, 0, 0, 0), -1);
    ASSERT_EQ(SelectGraphDrawTarget(base, screen), 0);
    EXPECT_EQ(screen->target_image->width, 16);
    const int again = DeriveGraph(1, 1, 4, 4, base);
    ASSERT_EQ(SelectGraphDrawTarget(again, screen), 0);  // holds a view until the end
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace

namespace {

// Through the public entries: choosing a graph sends drawing and clearing into it, a
// deleted graph is refused and the previous target stays, and the back buffer works
// again afterwards.
TEST(GraphDrawTarget, PublicEntriesDrawAndClearIntoAChosenGraph) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int graph = CreateBlankGraph(8, 8, 1);
    ASSERT_GE(graph, 0);
    ASSERT_EQ(ApiChooseDrawTarget(graph), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);  // background black
    EXPECT_EQ(GraphPixel(graph, 7, 7), 0u);
    ASSERT_EQ(ApiDrawRectangle(2, 2, 4, 4, ApiMakeColorValue(0, 255, 0), 1), 0);
    EXPECT_EQ(GraphPixel(graph, 2, 2), 0x00FF00u);
    EXPECT_EQ(GraphPixel(graph, 3, 3), 0x00FF00u);
    EXPECT_EQ(GraphPixel(graph, 4, 4), 0u);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    EXPECT_EQ(GraphPixel(graph, 2, 2), 0u);

    const int gone = CreateBlankGraph(4, 4, 1);
    DeleteGraphHandle(gone, 0);
    EXPECT_NE(ApiChooseDrawTarget(gone), 0);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 1, 1, ApiMakeColorValue(255, 0, 0), 1), 0);
    EXPECT_EQ(GraphPixel(graph, 0, 0), 0xFF0000u);  // still drawing into the graph

    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
