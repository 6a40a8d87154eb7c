// A stretched part of a graph at scale 1 with the renderer up and the graph held in a
// DirectDraw surface: the graph drawn at its own size with the draw area narrowed to the
// part, a plain blit, and the draw area put back.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "tests/d3d/directdraw_graphs.h"
#include "tests/graphics/screen_reference.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"

using engine_test::EngineSession;
using namespace screen_reference;

namespace {

using d3d_test::BackSurfacePixel;

// At a scale of 1 the stretched part of a graph is the graph drawn at its own size with
// the draw area narrowed to the part; on DirectDraw surfaces that draw is a plain blit.
TEST(DrawEntryDirectDraw, AStretchedPartAtScaleOneShowsExactlyThatPart) {
    EngineSession session;
    if (!d3d_test::StartWithDirectDrawGraphs()) return;
    ASSERT_EQ(GetScreenBitDepth(), 32);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    const Picture plain = MakeTestPicture(20, 20, false);
    WritePng("plain.png", plain, false);
    const int graph = ApiLoadImageAsGraph("plain.png", 0);
    ASSERT_GT(graph, 0);
    const RECT before = GetDrawSettings()->draw_area;
    // Source (5, 6) size 7 x 4 onto (30, 40)-(37, 44): the graph lands at (25, 34).
    ASSERT_EQ(DrawGraphSubRectStretched(30, 40, 37, 44, 5, 6, 7, 4, graph, 0), 0);
    for (int y = 30; y < 50; ++y) {
        for (int x = 20; x < 50; ++x) {
            const bool inside = x >= 30 && x < 37 && y >= 40 && y < 44;
            EXPECT_EQ(BackSurfacePixel(x, y), inside ? plain.Colour(x - 25, y - 34) : kBackground) << x << "," << y;
        }
    }
    const RECT after = GetDrawSettings()->draw_area;
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
