// 2-D surfaces and surface data records: the table's capacity and end mark, reuse of low
// slots, stale handles, check counts that wrap, a shared image freed with its last user,
// lost flags, nested locks, the palette key and filling a software record; and the
// refusals before start-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/text_log.h"
#include "engine/core/tracked_alloc.h"
#include "engine/font/font.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/screen/screen_internal.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"

using engine_test::EngineSession;
using engine_test::MaskedLog;

namespace {

GraphCreationBytes PlainBytes(int bit_depth) {
    GraphCreationBytes bytes{};
    bytes.bit_depth = static_cast<std::uint8_t>(bit_depth);
    return bytes;
}

TEST(Surface2D, CapacityEndMarkAndReuseOfAFreedLowSlot) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    // The fonts made at start-up own surfaces too; the table is counted without them.
    DeleteAllFontHandles();
    const GraphCreationBytes bytes = PlainBytes(32);
    const int first = AddSurface2D(2, 2, 0, 0, -1, nullptr, 0, 0, &bytes);
    ASSERT_NE(first, -1);
    EXPECT_EQ(first & 0x78000000, 0x28000000);
    const Surface2D* shared = GetSurface2DRecord(first);
    std::vector<int> handles{first};
    while (GetSurface2DCount() < kSurface2DSlots) {
        const int handle = AddSurface2D(1, 1, 0, 0, -1, shared, 1, 1, &bytes);
        ASSERT_NE(handle, -1) << GetSurface2DCount();
        handles.push_back(handle);
    }
    EXPECT_EQ(GetSurface2DEndMark(), kSurface2DSlots);
    EXPECT_EQ(GetSurfaceDataCount(), 1);
    EXPECT_EQ(AddSurface2D(1, 1, 0, 0, -1, shared, 0, 0, &bytes), -1);
    EXPECT_NE(MaskedLog(session.dir().path() / "Log.txt").find("T:２Ｄグラフィックの量が許容量を越えました\r\n"),
              std::string::npos);
    const int low = handles[7];
    ASSERT_EQ(DeleteSurface2D(low), 0);
    EXPECT_EQ(GetSurface2DRecord(low), nullptr);
    const int reused = AddSurface2D(1, 1, 0, 0, -1, GetSurface2DRecord(first), 0, 0, &bytes);
    EXPECT_EQ(reused & 0xFFFF, 7);
    EXPECT_NE(reused, low);
    EXPECT_EQ(GetSurface2DEndMark(), kSurface2DSlots);
    // Deleting from the top lowers the end mark past the free slots below it.
    handles[7] = reused;
    for (int i = kSurface2DSlots - 1; i >= 1; --i) DeleteSurface2D(handles[i]);
    EXPECT_EQ(GetSurface2DEndMark(), 1);
    DeleteSurface2D(first);
    EXPECT_EQ(GetSurface2DEndMark(), 0);
    EXPECT_EQ(GetSurfaceDataCount(), 0);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(Surface2D, CheckCountsWrapAndStaleHandlesAreRefused) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const GraphCreationBytes bytes = PlainBytes(32);
    const int keeper = AddSurface2D(1, 1, 0, 0, -1, nullptr, 0, 0, &bytes);
    const int first = AddSurface2D(1, 1, 0, 0, -1, GetSurface2DRecord(keeper), 0, 0, &bytes);
    const int first_check = (first >> 16) & 0x7FF;
    DeleteSurface2D(first);
    std::int32_t flag = 9;
    EXPECT_EQ(SetSurface2DLostFlagPointer(first, &flag), 0);
    EXPECT_EQ(flag, 9);  // a stale handle is ignored
    int previous = first_check;
    for (int i = 0; i < 2100; ++i) {
        const int handle = AddSurface2D(1, 1, 0, 0, -1, GetSurface2DRecord(keeper), 0, 0, &bytes);
        const int check = (handle >> 16) & 0x7FF;
        EXPECT_EQ(check, (previous + 1) % 2048);
        previous = check;
        EXPECT_EQ(GetSurface2DRecord(first) != nullptr, handle == first);
        DeleteSurface2D(handle);
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(Surface2D, ASharedImageGoesWithItsLastUserAndTellsTheOwners) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const GraphCreationBytes bytes = PlainBytes(32);
    const int a = AddSurface2D(8, 8, 0, 0, -1, nullptr, 0, 0, &bytes);
    const int b = AddSurface2D(4, 4, 0, 0, -1, GetSurface2DRecord(a), 2, 2, &bytes);
    const int data = GetSurface2DRecord(a)->surface_data;
    EXPECT_EQ(GetSurfaceData(data)->reference_count, 2);
    std::int32_t lost_a = 5, lost_b = 5;
    SetSurface2DLostFlagPointer(a, &lost_a);
    SetSurface2DLostFlagPointer(b, &lost_b);
    EXPECT_EQ(lost_a, 0);
    DeleteSurface2D(a);
    EXPECT_EQ(lost_a, 1);
    ASSERT_NE(GetSurfaceData(data), nullptr);
    EXPECT_TRUE(IsMemImgValid(&GetSurfaceData(data)->color_image));
    DeleteSurface2D(b);
    EXPECT_EQ(lost_b, 1);
    EXPECT_EQ(GetSurfaceData(data), nullptr);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(SurfaceData, LocksNestAndNeedAsManyUnlocks) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const GraphCreationBytes bytes = PlainBytes(32);
    const int handle = AddSurfaceData(1, 10, 6, 0, &bytes);
    ASSERT_NE(handle, -1);
    EXPECT_EQ(handle & 0xF8000000, 0x38000000);
    SurfaceData* data = GetSurfaceData(handle);
    EXPECT_EQ(data->software, 1);
    EXPECT_EQ(data->format_index, 12);
    std::int32_t pitch = 0, pitch2 = 0;
    void* pixels = nullptr;
    void* pixels2 = nullptr;
    const RECT at{3, 2, 5, 4};
    ASSERT_EQ(LockSurfaceData(handle, &pitch, &pixels, 1, &at, nullptr), 0);
    EXPECT_EQ(pitch, data->color_image.block->pitch);
    EXPECT_EQ(pixels, data->color_image.pixels + 2 * pitch + 3 * 4);
    EXPECT_EQ(LockSurfaceData(handle, &pitch2, &pixels2, 1, nullptr, nullptr), -2);
    EXPECT_EQ(pitch2, pitch);
    EXPECT_EQ(pixels2, pixels);
    EXPECT_EQ(UnlockSurfaceData(handle, nullptr), 0);
    EXPECT_EQ(UnlockSurfaceData(handle, nullptr), 0);
    EXPECT_EQ(UnlockSurfaceData(handle, nullptr), -1);
    DeleteSurfaceData(handle);
    EXPECT_EQ(LockSurfaceData(handle, &pitch, &pixels, 1, nullptr, nullptr), -1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(SurfaceData, PaletteRecordsKeyOnIndex65535AndOthersOnTheTransparentColour) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    GetDrawSettings()->transparent_color = 0xFF00FF;
    GraphCreationBytes bytes = PlainBytes(32);
    bytes.palette = 1;
    const int palette = AddSurfaceData(1, 4, 4, 0xFF00FF, &bytes);
    EXPECT_EQ(GetSurfaceData(palette)->color_image.block->transparent_color, 65535u);
    bytes = PlainBytes(16);
    const int plain = AddSurfaceData(1, 4, 4, 0xFF00FF, &bytes);
    EXPECT_EQ(GetSurfaceData(plain)->format_index, 10);
    EXPECT_EQ(GetSurfaceData(plain)->color_image.block->transparent_color, 0xF81Fu);
    DeleteSurfaceData(palette);
    DeleteSurfaceData(plain);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(SurfaceData, FillingAGraphFillsTheImageOfItsSoftwareRecord) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int graph = CreateBlankGraph(5, 3, 1);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(FillGraphColor(graph, 0x12, 0x34, 0x56, 255), 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(graph_test::GraphPixel(graph, x, y), 0x123456u) << x << "," << y;
    }
    EXPECT_EQ(FillGraphColor(graph + 1, 0, 0, 0, 255), -1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

}  // namespace

namespace {

TEST(Surface2D, TheEndMarkDropsPastFreeSlotsAndStaleHandlesDeleteNothing) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const GraphCreationBytes bytes = PlainBytes(32);
    const int base = GetSurface2DEndMark();
    const int first = AddSurface2D(4, 4, 0, 0, -1, nullptr, 0, 0, &bytes);
    std::vector<int> handles{first};
    for (int i = 1; i < 6; ++i) handles.push_back(AddSurface2D(2, 2, 0, 0, -1, GetSurface2DRecord(first), 1, 1, &bytes));
    ASSERT_EQ(GetSurface2DEndMark(), base + 6);
    DeleteSurface2D(handles[2]);
    DeleteSurface2D(handles[3]);
    EXPECT_EQ(GetSurface2DEndMark(), base + 6);
    DeleteSurface2D(handles[5]);
    EXPECT_EQ(GetSurface2DEndMark(), base + 5);
    DeleteSurface2D(handles[4]);
    EXPECT_EQ(GetSurface2DEndMark(), base + 2);
    // The freed slot 2 goes to a new record; the old handle of that slot is stale.
    const int reused = AddSurface2D(2, 2, 0, 0, -1, GetSurface2DRecord(first), 0, 0, &bytes);
    ASSERT_EQ(reused & 0xFFFF, handles[2] & 0xFFFF);
    ASSERT_NE(reused, handles[2]);
    const int count = GetSurface2DCount();
    EXPECT_EQ(DeleteSurface2D(handles[2]), 0);
    EXPECT_EQ(GetSurface2DCount(), count);
    EXPECT_NE(GetSurface2DRecord(reused), nullptr);
    EXPECT_EQ(GetSurfaceData(GetSurface2DRecord(first)->surface_data)->reference_count, 3);
    // A graph whose piece went stale is refused by the piece operations.
    GraphRecord graph{};
    graph.piece_count = 2;
    graph.pieces[0] = first;
    graph.pieces[1] = handles[3];
    EXPECT_EQ(RestoreGraphSurface2DImages(&graph), -1);
    EXPECT_EQ(FillGraphSurface2DColor(&graph, 1, 2, 3, 255), -1);
    GraphRecord derived{};
    EXPECT_EQ(DeriveGraphSurface2D(&derived, 0, 0, 2, 2, &graph), 0);
    graph.pieces[0] = handles[5];
    EXPECT_EQ(DeriveGraphSurface2D(&derived, 0, 0, 2, 2, &graph), -1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(Surface2D, EveryOperationRefusesBeforeTheScreenIsUp) {
    EngineSession session;
    // Nothing started but the log.
    SetLogFileOutput(1);
    SetLogDirectory(session.dir().path().string().c_str());
    StartLogFile();
    ASSERT_EQ(IsScreenUp(), 0);
    const GraphCreationBytes bytes = PlainBytes(32);
    GraphRecord graph{};
    EXPECT_EQ(AddSurface2D(4, 4, 0, 0, -1, nullptr, 0, 0, &bytes), -1);
    EXPECT_EQ(GetSurface2DCount(), 0);
    EXPECT_EQ(ReleaseAllSurface2D(), -1);
    EXPECT_EQ(ReleaseAllSurface2DChecked(), -1);
    EXPECT_EQ(RestoreAllSurface2DImages(), -1);
    EXPECT_EQ(RestoreGraphSurface2DImages(&graph), -1);
    EXPECT_EQ(FillGraphSurface2DColor(&graph, 1, 2, 3, 255), -1);
    EXPECT_EQ(DeleteGraphSurface2Ds(&graph), -1);
    EXPECT_EQ(CreateGraphSurface2D(&graph), -1);
    EXPECT_EQ(graph.piece_count, 1);
    EXPECT_EQ(graph.pieces[0], -1);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_NE(log.find("T:Vomurが初期化されていません\r\n"), std::string::npos) << log;
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
