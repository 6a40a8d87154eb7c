// A font's texture glyph cache over the 3-D renderer (Mesa's GL on SDL's off-screen
// driver, a GL on the CPU counted as the hardware device), in a child process of its own:
// a cache graph that cannot be made (the renderer's texture-piece table full) stays marked
// as lost and is made at the next refresh; a font made meanwhile keeps its glyphs in
// memory and asks for no graph. Skipped where no GL 3.3 context can be made.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/d3d/d3d.h"
#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "platform/testing/gl_testing.h"
#include "tests/font/font_fixture.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_testing/d3d_testing.h"

namespace {

constexpr int kNoDirect3D = 77;

TEST(FontTextureCache, ACacheGraphThatCannotBeMadeIsTriedAgain) {
    const int status = RunInChild([] {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        CountSoftwareGlAsHardware hardware;
        SetDirect3DRendererEnabled(1);
        engine_test::EngineSession session;
        if (ApiInitializeLibrary() != 0) return 2;
        if (!IsDirect3DUp()) return kNoDirect3D;
        const int font = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0, -1, -1);
        FontHandleRecord* record = GetFontRecord(font);
        if (record == nullptr || !record->texture_cache || record->cache_graph < 0) return 3;
        // The graphics side lets the cache graph go, as at a display rebuild.
        if (DeleteGraphHandle(record->cache_graph, 0) != 0 || record->graph_lost != 1) return 4;

        // Fill the texture-piece table: pieces sharing the texture of a small graph.
        const int host = CreateBlankGraph(8, 8, 0);
        const GraphRecord* host_record = GetGraphRecord(host);
        if (host_record == nullptr || host_record->piece_count < 1) return 5;
        const Surface3DData* parent = GetSurface3DData(host_record->pieces[0]);
        std::vector<int> fillers;
        while (D3DState().piece_count < kSurface3DSlots) {
            const int piece = AddSurface3DData(1, 1, 0, 0, 1, 1, 0, 0, -1, parent, 0, 0, nullptr, GetDrawSettings()->transparent_color);
            if (piece == -1) return 6;
            fillers.push_back(piece);
        }
        if (RefreshFontCacheScreen(font) != -1) return 7;
        if (record->cache_graph != -1) return 8;
        if (record->graph_lost != 1) return 9;  // still to be made
        // A font made now falls back to a memory cache and asks for no graph.
        const int fallback = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0, -1, -1);
        const FontHandleRecord* fallback_record = GetFontRecord(fallback);
        if (fallback_record == nullptr || fallback_record->texture_cache || fallback_record->graph_lost) return 15;
        if (RefreshFontCacheScreen(fallback) != 0 || fallback_record->cache_graph != -1) return 16;

        DeleteSurface3DData(fillers.back());
        fillers.pop_back();
        if (RefreshFontCacheScreen(font) != 0) return 10;
        if (record->cache_graph < 0 || record->graph_lost != 0) return 11;
        for (int piece : fillers) DeleteSurface3DData(piece);
        // The glyphs go to the new graph.
        if (DrawStringWithFontHandle(10, 10, "AB", MakeColorValue(255, 255, 255), font, 0, 0) != 0) return 12;
        if (!record->char_map['A'].cached) return 13;
        DeleteGraphHandle(host, 0);
        return ApiTerminateLibrary() == 0 ? 0 : 14;
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    if (WEXITSTATUS(status) == kNoDirect3D) GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "2 no start-up, 3 no texture cache, 4 no lost mark, 5/6 the table not filled, 7 the refresh did not "
           "fail, 8 a graph kept, 9 the lost mark cleared on failure, 10/11 no new graph, 12/13 no draw, 14 no end, "
           "15/16 no memory-cache fallback";
}

}  // namespace
