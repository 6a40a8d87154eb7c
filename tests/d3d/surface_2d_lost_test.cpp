// Lost DirectDraw images of graphs with the renderer up and texture graphs off: the
// restore finds them, restores them, tells every owner (also the pieces that share an
// image) and reports -1 once.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/screen/screen_internal.h"
#include "platform/testing/display_testing.h"
#include "tests/d3d/directdraw_graphs.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"

using engine_test::EngineSession;

namespace {

// Outside software rendering the pieces' images are DirectDraw surfaces, which the display
// can lose: the restore finds them, restores them, tells the owners and reports -1 once.
TEST(Surface2D, LostImagesAreRestoredAndReportedToTheirOwners) {
    EngineSession session;
    if (!d3d_test::StartWithDirectDrawGraphs()) return;
    ASSERT_EQ(GetScreenBitDepth(), 32);
    const int graph = CreateBlankGraph(6, 4, 1);
    ASSERT_GT(graph, 0);
    const int part = DeriveGraph(2, 1, 3, 3, graph);
    ASSERT_GT(part, 0);
    SurfaceData* data = graph_test::FirstPieceData(graph);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->software, 0);
    ASSERT_NE(data->surface, nullptr);
    EXPECT_EQ(graph_test::FirstPieceData(part), data);
    // The fill goes into the surface in the screen's format.
    ASSERT_EQ(FillGraphColor(graph, 0x12, 0x34, 0x56, 255), 0);
    std::int32_t pitch = 0;
    void* pixels = nullptr;
    ASSERT_EQ(LockSurfaceData(GetSurface2DRecord(GetGraphRecord(graph)->pieces[0])->surface_data, &pitch, &pixels, 0,
                              nullptr, nullptr),
              0);
    std::uint32_t raw = 0;
    std::memcpy(&raw, static_cast<const std::uint8_t*>(pixels) + 3 * pitch + 5 * 4, 4);
    UnlockSurfaceData(GetSurface2DRecord(GetGraphRecord(graph)->pieces[0])->surface_data, nullptr);
    EXPECT_EQ(raw & 0xFFFFFF, 0x123456u);
    std::int32_t lost_whole = 7, lost_part = 7;
    SetSurface2DLostFlagPointer(GetGraphRecord(graph)->pieces[0], &lost_whole);
    SetSurface2DLostFlagPointer(GetGraphRecord(part)->pieces[0], &lost_part);
    EXPECT_EQ(RestoreAllSurface2DImages(), 0);
    EXPECT_EQ(lost_whole, 0);
    LoseAllDirectDrawSurfaces();
    EXPECT_EQ(RestoreGraphSurface2DImages(GetGraphRecord(part)), -1);
    EXPECT_EQ(RestoreGraphSurface2DImages(GetGraphRecord(part)), 0);
    LoseAllDirectDrawSurfaces();
    EXPECT_EQ(RestoreAllSurface2DImages(), -1);
    EXPECT_EQ(lost_whole, 1);
    EXPECT_EQ(lost_part, 1);
    EXPECT_EQ(RestoreAllSurface2DImages(), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// A lost image shared by two pieces is restored at the first piece that finds it; the
// other piece, found lost no more, still learns that it must be drawn again, whether all
// images are restored or only those of one graph.
TEST(Surface2D, EveryPieceOfASharedLostImageLearnsOfTheLoss) {
    EngineSession session;
    if (!d3d_test::StartWithDirectDrawGraphs()) return;
    const int graph = CreateBlankGraph(6, 4, 1);
    ASSERT_GT(graph, 0);
    const int part = DeriveGraph(2, 1, 3, 3, graph);
    ASSERT_GT(part, 0);
    const int whole_piece = GetGraphRecord(graph)->pieces[0];
    const int part_piece = GetGraphRecord(part)->pieces[0];
    ASSERT_LT(whole_piece & 0xFFFF, part_piece & 0xFFFF);  // the whole graph's piece is found first
    std::int32_t lost_whole = 7, lost_part = 7;
    struct Step {
        bool all;  // restore every image, else only the part's graph
    };
    for (const Step step : {Step{true}, Step{false}}) {
        SetSurface2DLostFlagPointer(whole_piece, &lost_whole);
        SetSurface2DLostFlagPointer(part_piece, &lost_part);
        ASSERT_EQ(lost_whole, 0);
        ASSERT_EQ(lost_part, 0);
        LoseAllDirectDrawSurfaces();
        EXPECT_EQ(step.all ? RestoreAllSurface2DImages() : RestoreGraphSurface2DImages(GetGraphRecord(part)), -1);
        EXPECT_EQ(lost_whole, 1) << step.all;
        EXPECT_EQ(lost_part, 1) << step.all;
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
