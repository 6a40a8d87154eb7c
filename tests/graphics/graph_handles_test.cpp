// Graph handles: the full table ends the process through the fatal-error exit, freed
// slots are reused, handles go stale, check counts run a full cycle before repeating,
// derived graphs are checked against their parent and keep its offset, lost flags are
// set when their owner goes, and failed creations leave nothing behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/handle_table.h"
#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_testing/core_testing.h"

using engine_test::EngineSession;
using engine_test::MaskedLog;
using graph_test::GraphPixel;
using graph_test::MakePicture;

namespace {

int Slot(int handle) { return handle & 0xFFFF; }

TEST(GraphHandles, TheFullTableEndsTheProcessThroughTheFatalExit) {
    EngineSession session;
    const int status = RunInChild([] {
        if (ApiInitializeLibrary() != 0) return 1;
        for (int i = 0; i < kGraphTableSlots; ++i) {
            if (CreateGraphRecord(1, 1, 0, nullptr, 0, 0) == -1) return 2;
        }
        CreateGraphRecord(1, 1, 0, nullptr, 0, 0);
        return 3;
    }, kChildWithExitChecks);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_NE(log.find("T:グラフィックの数が許容量を越えました終了します\r\n"), std::string::npos) << log;
}

TEST(GraphHandles, AFreedSlotOfTheFullTableIsTakenNext) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int before = GetGraphCount();
    std::vector<int> made;
    while (GetGraphCount() < kGraphTableSlots) made.push_back(CreateGraphRecord(1, 1, 0, nullptr, 0, 0));
    EXPECT_EQ(GetGraphEndMark(), kGraphTableSlots);
    int at_five = -1;
    for (int handle : made) {
        if (Slot(handle) == 5) at_five = handle;
    }
    ASSERT_NE(at_five, -1);
    ASSERT_EQ(DeleteGraphHandle(at_five, 0), 0);
    EXPECT_EQ(IsGraphHandleValid(at_five), 0);
    const int again = CreateGraphRecord(1, 1, 0, nullptr, 0, 0);
    EXPECT_EQ(Slot(again), 5);
    EXPECT_NE(again, at_five);
    EXPECT_EQ(GetGraphEndMark(), kGraphTableSlots);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(GetGraphCount(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    (void)before;
}

TEST(GraphHandles, AHandleComesBackOnlyAfterAFullCycleOfCheckCounts) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int first = CreateBlankGraph(4, 4, 1);
    ASSERT_GT(first, 0);
    EXPECT_EQ(first & 0x78000000, 0x08000000);
    ASSERT_EQ(DeleteGraphHandle(first, 0), 0);
    EXPECT_EQ(DeleteGraphHandle(first, 0), -1);
    int width = 0;
    EXPECT_EQ(ReadGraphSize(first, &width, nullptr), -1);
    for (int i = 1; i < kHandleCheckCountLimit; ++i) {
        const int handle = CreateGraphRecord(4, 4, 0, nullptr, 0, 0);
        ASSERT_NE(handle, first) << i;
        EXPECT_EQ(IsGraphHandleValid(first), 0);
        DeleteGraphHandle(handle, 0);
    }
    const int wrapped = CreateGraphRecord(4, 4, 0, nullptr, 0, 0);
    EXPECT_EQ(wrapped, first);
    // Handles that are not graphs at all.
    for (int bad : {-1, 0, 0x10000000 | Slot(first), first | 0x00008000}) EXPECT_EQ(IsGraphHandleValid(bad), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(GraphHandles, DerivedGraphsAreCheckedAgainstTheirParent) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int parent = CreateBlankGraph(64, 64, 1);
    ASSERT_GT(parent, 0);
    GetGraphRecord(parent)->origin_x = 3;
    GetGraphRecord(parent)->origin_y = 4;
    const int cut = DeriveGraph(10, 10, 100, 100, parent);
    ASSERT_GT(cut, 0);
    int width = 0, height = 0;
    ASSERT_EQ(ReadGraphSize(cut, &width, &height), 0);
    EXPECT_EQ(width, 54);
    EXPECT_EQ(height, 54);
    EXPECT_EQ(GetGraphRecord(cut)->origin_x, 13);
    EXPECT_EQ(GetGraphRecord(cut)->origin_y, 14);
    struct Case {
        int x, y, w, h;
    };
    const int count = GetGraphCount();
    for (const Case& c : {Case{64, 0, 8, 8}, Case{0, 64, 8, 8}, Case{65, 0, 8, 8}, Case{-1, 0, 8, 8},
                          Case{0, -8, 8, 8}, Case{0, 0, 0, 8}, Case{0, 0, 8, -3}}) {
        EXPECT_EQ(DeriveGraph(c.x, c.y, c.w, c.h, parent), -1) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
    EXPECT_EQ(GetGraphCount(), count);
    EXPECT_EQ(DeriveGraph(0, 0, 8, 8, -1), -1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphHandles, ADerivedGraphOfADerivedGraphShowsItsOwnPixels) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    GraphImage image = MakePicture(32, 32, [](int x, int y) { return static_cast<std::uint32_t>(x * 8 << 16 | y * 8 << 8); });
    const int base = BuildGraphFromGraphImageDefault(&image);
    ASSERT_GT(base, 0);
    const int middle = DeriveGraph(10, 12, 16, 16, base);
    const int inner = DeriveGraph(5, 3, 4, 4, middle);
    ASSERT_GT(inner, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(GraphPixel(inner, x, y), GraphPixel(base, 15 + x, 15 + y)) << x << "," << y;
        }
    }
    EXPECT_EQ(GraphPixel(inner, 0, 0), static_cast<std::uint32_t>(15 * 8 << 16 | 15 * 8 << 8));
    // The pieces share one image: deleting the base and the middle keeps the inner one's.
    ASSERT_EQ(DeleteGraphHandle(base, 0), 0);
    ASSERT_EQ(DeleteGraphHandle(middle, 0), 0);
    EXPECT_EQ(GraphPixel(inner, 0, 0), static_cast<std::uint32_t>(15 * 8 << 16 | 15 * 8 << 8));
    FreeGraphImage(&image);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphHandles, DeletingAGraphSetsItsOwnersLostFlag) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int graph = CreateBlankGraph(8, 8, 1);
    std::int32_t lost = 7;
    ASSERT_EQ(SetGraphLostFlagPointer(graph, &lost), 0);
    EXPECT_EQ(lost, 0);
    ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
    EXPECT_EQ(lost, 1);
    // The engine's end deletes what is left, with the same notice.
    const int left = CreateBlankGraph(8, 8, 1);
    std::int32_t left_lost = 5;
    SetGraphLostFlagPointer(left, &left_lost);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(left_lost, 1);
}

TEST(GraphHandles, NewGraphsAreTwoDimensionalInSoftwareRenderingAndMatchTheScreen) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(GetDrawSettings()->new_graph.texture_graphs, 1);
    const int graph = CreateBlankGraph(16, 8, 0);
    ASSERT_GT(graph, 0);
    EXPECT_EQ(GetGraphRecord(graph)->creation.texture, 0);
    SurfaceData* data = graph_test::FirstPieceData(graph);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->software, 1);
    EXPECT_EQ(data->color_image.block->kind, GetScreenState()->back_image.block->kind);
    EXPECT_EQ(CreateBlankGraph(0, 8, 0), -1);
    int width = 0, height = 0;
    ASSERT_EQ(ReadGraphSize(kDrawTargetBack, &width, &height), 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

}  // namespace
