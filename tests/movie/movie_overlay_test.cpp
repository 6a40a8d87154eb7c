// Movies in overlay mode on a display that offers overlays: the surface mode a movie
// settles to, the overlay format the screen finds at start-up, and the placement that a
// drawn movie graph sends with UpdateOverlay (only when it changed, always to hide):
// clipping, trimming and alignment, hiding for a covered window and on close. Headless,
// the screen has no primary surface (software rendering with GDI output), so the calls
// are checked as sent; the overlay seen in a real window is real_window_overlay_test.cpp's.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/graph_restore.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/overlay_testing.h"
#include "platform/window_hooks.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/engine_session.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

// ---- surface mode settling, against a display table of the test's own -------------------
const DDPIXELFORMAT* g_overlay_format = nullptr;
int g_screen_bits = 16;

IDirectDraw7* NoObject() { return nullptr; }
const DDPIXELFORMAT* TestOverlayFormat() { return g_overlay_format; }
int TestScreenBits() { return g_screen_bits; }
IDirectDrawSurface7* NoFront() { return nullptr; }
std::uint32_t* NoCaps(std::uint32_t* buffer) { return buffer; }
std::uint64_t NoFlips() { return 0; }
constexpr MovieDisplayHooks kTestDisplay = {NoObject, TestOverlayFormat, TestScreenBits, NoFront, NoCaps, NoFlips};

TEST(MovieSurfaceMode, SettlesToWhatTheScreenCanShow) {
    ScopedTempDir dir;
    SetupFileAccessTable(nullptr);
    StartTestLog();
    InitYuvToRgbTables();
    const std::vector<std::uint8_t> bytes = MakeFfmpegFile("mpeg", "mpeg1video", 64, 48, 4, 25);
    if (bytes.empty()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    WriteFileBytes("movie.mpg", bytes);
    InstallMovieDisplayHooks(&kTestDisplay);
    struct Case {
        int asked;
        int screen_bits;
        int settled;
    };
    // No overlay format: an overlay asked for is 24-bit RGB, which a 32-bit screen takes
    // as plain; other values are plain.
    const Case cases[] = {{1, 16, 2}, {1, 32, 0}, {2, 16, 2}, {2, 32, 0}, {0, 16, 0}, {7, 16, 0}, {-1, 16, 0}};
    for (const Case& c : cases) {
        g_screen_bits = c.screen_bits;
        const int movie = OpenMovie("movie.mpg", nullptr, nullptr, c.asked);
        ASSERT_GE(movie, 0);
        EXPECT_EQ(GetMovieRecord(movie)->surface_mode, c.settled) << "asked " << c.asked << " on " << c.screen_bits;
        EXPECT_EQ(IsMovieOverlay(movie), 0);
        EXPECT_EQ(CloseMovie(movie), 0);
    }
    InstallMovieDisplayHooks(nullptr);
}

// ---- overlays on a started engine ----------------------------------------------------------
constexpr int kWidth = 160, kHeight = 120;

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class MovieOverlay : public ::testing::Test {
protected:
    // Starts the engine (window mode, 640 x 480) on a display offering overlays with the
    // given alignment; false (test skipped) without the encoder.
    bool Start(DWORD align_caps = 0, DWORD size_src = 0, DWORD boundary_dest = 0) {
        bytes_ = MakeFfmpegFile("mpeg", "mpeg1video", kWidth, kHeight, 12, 25);
        if (bytes_.empty()) return false;
        WriteFileBytes("movie.mpg", bytes_);
        offer_ = std::make_unique<OfferOverlays>(align_caps, 0, size_src, boundary_dest, 0);
        EXPECT_EQ(ApiInitializeLibrary(), 0);
        GetShellHooks()->get_screen_client_rect(&client_);
        EXPECT_EQ(client_.right - client_.left, 640);
        EXPECT_EQ(client_.bottom - client_.top, 480);
        EXPECT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        return true;
    }
    void TearDown() override {
        if (offer_ == nullptr) return;
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
    // A graph of the movie in overlay mode, playing, whose first frame is in its overlay.
    int OverlayGraph() {
        const int graph = LoadGraphFile("movie.mpg", 0, 0, 1);
        EXPECT_GT(graph, 0);
        if (graph <= 0) return -1;
        movie_ = GetGraphRecord(graph)->movie;
        EXPECT_EQ(IsMovieOverlay(movie_), 1);
        EXPECT_EQ(PlayMovie(movie_, 1), 0);
        return graph;
    }
    RECT Screen(RECT r) const {
        return RECT{r.left + client_.left, r.top + client_.top, r.right + client_.left, r.bottom + client_.top};
    }
    // Exactly one UpdateOverlay was sent since the last look, showing `source` at
    // `destination` (client coordinates).
    void ExpectOneShow(const RECT& source, const RECT& destination, const char* what) {
        const auto sent = log_.Take();
        ASSERT_EQ(sent.size(), 1u) << what;
        EXPECT_EQ(sent[0].flags, DDOVER_SHOW) << what;
        ASSERT_TRUE(sent[0].has_source && sent[0].has_destination) << what;
        EXPECT_TRUE(Same(sent[0].source, source)) << what << ": source " << Text(sent[0].source);
        EXPECT_TRUE(Same(sent[0].destination, Screen(destination))) << what << ": destination "
                                                                    << Text(sent[0].destination);
    }
    // `count` hides were sent since the last look, and nothing else.
    void ExpectHides(std::size_t count, const char* what) {
        const auto sent = log_.Take();
        ASSERT_EQ(sent.size(), count) << what;
        for (const auto& update : sent) {
            EXPECT_EQ(update.flags, DDOVER_HIDE) << what;
            EXPECT_FALSE(update.has_source || update.has_destination) << what;
        }
    }

    engine_test::EngineSession session_;
    std::unique_ptr<OfferOverlays> offer_;
    OverlayUpdateLog log_;
    std::vector<std::uint8_t> bytes_;
    RECT client_{};
    int movie_ = -1;
};

TEST_F(MovieOverlay, TheScreenFindsTheFirstOverlayFormatItCanMake) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const DDPIXELFORMAT* format = GetOverlayPixelFormat();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->dwFlags, DDPF_RGB);
    EXPECT_EQ(format->dwRBitMask, 0x7C00u);
    const std::string log = engine_test::MaskedLog(session_.dir().path() / "Log.txt");
    EXPECT_NE(log.find("オーバーレイサーフェスを使用します　　　 16-bit RGB 5:5:5 "), std::string::npos) << log;
    EXPECT_EQ(log.find("オーバーレイサーフェスは使用しません"), std::string::npos);
}

TEST_F(MovieOverlay, ADrawnGraphPlacesItsOverlayAndSendsOnlyChanges) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    const MovieRecord* record = GetMovieRecord(movie_);
    EXPECT_EQ(record->frame_image.pixels, nullptr);  // no pixel copy in overlay mode
    log_.Take();
    // Stretched to twice its size: scale 2; the draw itself fails.
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    EXPECT_EQ(record->frame_ready, 1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "first placement");
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    EXPECT_TRUE(log_.Take().empty()) << "the same placement again";
    EXPECT_EQ(PlaceMovieOverlay(11, 20, 2, movie_, 1), 0);
    ExpectOneShow({0, 0, 160, 120}, {11, 20, 331, 260}, "moved by one pixel");
    EXPECT_EQ(PlaceMovieOverlay(500, 20, 2, movie_, 1), 0);
    ExpectOneShow({0, 0, 70, 120}, {500, 20, 640, 260}, "cut at the right");
    EXPECT_EQ(PlaceMovieOverlay(-40, 20, 2, movie_, 1), 0);
    ExpectOneShow({20, 0, 160, 120}, {0, 20, 280, 260}, "cut at the left");
    // A plain draw: scale 1.
    EXPECT_EQ(ApiDrawGraphAtPoint(30, 40, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {30, 40, 190, 160}, "plain draw");
    // Narrower than the graph: scale 0 hides.
    EXPECT_EQ(DrawGraphStretched(30, 40, 100, 100, graph, 0), -1);
    ExpectHides(1, "scale 0");
    EXPECT_EQ(PlaceMovieOverlay(0, 0, 1, -1, 1), -1);
}

TEST_F(MovieOverlay, ACoveredWindowHidesTheOverlayAndRefreshingKeepsItHidden) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "shown");
    EXPECT_EQ(RefreshMovieOverlays(), 0);
    EXPECT_TRUE(log_.Take().empty()) << "refreshing an unchanged placement";
    {
        WindowClipRegion covered(COMPLEXREGION);
        EXPECT_EQ(RefreshMovieOverlays(), 0);
        ExpectHides(1, "covered");
        EXPECT_EQ(GetMovieRecord(movie_)->overlay.show, 0);
    }
    // Uncovered again: the refresh keeps to the hidden placement (a hide each time).
    EXPECT_EQ(RefreshMovieOverlays(), 0);
    EXPECT_EQ(RefreshMovieOverlays(), 0);
    ExpectHides(2, "refreshed after being covered");
    // Drawn again, it shows.
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "drawn again");
    {
        WindowClipRegion empty(NULLREGION);
        EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
        ExpectHides(1, "nothing of the window visible");
    }
}

TEST_F(MovieOverlay, PlacementsKeepToTheHardwareAlignment) {
    // Destination left edges on multiples of 4, source widths multiples of 8.
    if (!Start(DDCAPS_ALIGNBOUNDARYDEST | DDCAPS_ALIGNSIZESRC, 8, 4)) {
        GTEST_SKIP() << "no mpeg1video encoder in this build";
    }
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    // A left edge of 4n + 1 on the screen moves left by one; the width of 160 is kept.
    const LONG x = 13 - client_.left % 4;
    EXPECT_EQ(ApiDrawGraphAtPoint(x, 20, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {x - 1, 20, x + 160, 140}, "destination boundary 4");
    // 157 columns visible at the right edge: the source keeps 152 of them.
    EXPECT_EQ(ApiDrawGraphAtPoint(640 - 157, 20, graph, 0), -1);
    const LONG left = 640 - 157 - (640 - 157 + client_.left) % 4;
    ExpectOneShow({0, 0, 152, 120}, {left, 20, 640, 140}, "source size 8");
}

TEST_F(MovieOverlay, TheoraGraphsAndMoviesWithoutAFrameAreNotPlaced) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    WriteFileBytes("movie.ogv", MakeTheoraFile(CroppedTheoraFixture(4)));
    const int theora_graph = LoadGraphFile("movie.ogv", 0, 0, 1);
    ASSERT_GT(theora_graph, 0);
    const int theora = GetGraphRecord(theora_graph)->movie;
    EXPECT_EQ(IsMovieOverlay(theora), 0);
    EXPECT_EQ(ApiDrawGraphAtPoint(10, 20, theora_graph, 0), 0);
    EXPECT_EQ(PlaceMovieOverlay(10, 20, 1, theora, 1), 0);
    // Opened in overlay mode but not played: no frame collected yet.
    const int waiting = OpenMovie("movie.mpg", nullptr, nullptr, 1);
    ASSERT_GE(waiting, 0);
    EXPECT_EQ(IsMovieOverlay(waiting), 1);
    EXPECT_EQ(PlaceMovieOverlay(10, 20, 1, waiting, 1), 0);
    EXPECT_EQ(PlaceMovieOverlay(10, 20, 1, waiting, 0), 0);
    EXPECT_EQ(RefreshMovieOverlays(), 0);
    EXPECT_TRUE(log_.Take().empty());
    EXPECT_EQ(CloseMovie(waiting), 0);
}

TEST_F(MovieOverlay, ClosingTheMovieHidesItsOverlay) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "shown");
    ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);  // closes the movie
    ExpectHides(1, "closed");
}

TEST_F(MovieOverlay, TheMessageLoopPlacesOverlaysAgainWhileTheWindowIsInactive) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "shown");
    const HWND main = GetSystemBlock()->settings.main_window;
    // Active: the loop does not place overlays.
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    EXPECT_TRUE(log_.Take().empty());
    // Inactive and covered for 40 ms: every pass of the loop places the overlay again,
    // and finds it to hide.
    WindowClipRegion covered(COMPLEXREGION);
    platform_hooks::InjectActivation(main, false);
    platform_hooks::InjectActivation(main, true, false, 40);
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    const auto sent = log_.Take();
    EXPECT_GE(sent.size(), 10u);
    for (const auto& update : sent) EXPECT_EQ(update.flags, DDOVER_HIDE);
    EXPECT_EQ(GetMovieRecord(movie_)->overlay.show, 0);
}

TEST_F(MovieOverlay, AReleasedMovieIsLeftAloneAndARebuiltOnePlacedAfresh) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "shown");
    EXPECT_EQ(ReleaseAllMovieGraphs(), 0);
    EXPECT_EQ(GetMovieRecord(movie_)->overlay_surface, nullptr);
    EXPECT_EQ(PlaceMovieOverlay(10, 20, 2, movie_, 1), 0);
    EXPECT_EQ(PlaceMovieOverlay(10, 20, 2, movie_, 0), 0);
    EXPECT_EQ(RefreshMovieOverlays(), 0);
    EXPECT_TRUE(log_.Take().empty()) << "a released movie";
    EXPECT_EQ(RebuildAllMovieGraphs(), 0);
    ASSERT_NE(GetMovieRecord(movie_)->overlay_surface, nullptr);
    EXPECT_EQ(GetMovieRecord(movie_)->surface_mode, 1);
    // The placement starts afresh: the same place is sent again once a frame is there.
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "rebuilt");
}

TEST_F(MovieOverlay, APausedMovieShowsItsFirstFrameInItsOverlay) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = LoadGraphFile("movie.mpg", 0, 0, 1);
    ASSERT_GT(graph, 0);
    movie_ = GetGraphRecord(graph)->movie;
    EXPECT_EQ(GetMovieRecord(movie_)->frame_ready, 0);
    // Nothing plays it: the frame taken at the open is what the overlay shows.
    EXPECT_EQ(DrawGraphStretched(10, 20, 330, 260, graph, 0), -1);
    ExpectOneShow({0, 0, 160, 120}, {10, 20, 330, 260}, "first frame");
    IDirectDrawSurface7* overlay = GetMovieRecord(movie_)->overlay_surface;
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    ASSERT_EQ(overlay->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    const auto* centre = static_cast<const std::uint8_t*>(locked.lpSurface) + 60 * locked.lPitch + 80 * 2;
    const std::uint32_t raw = centre[0] | centre[1] << 8;  // X1R5G5B5
    overlay->Unlock(nullptr);
    int r = 0, g = 0, b = 0;
    FfmpegFrameColour(0, &r, &g, &b);
    // Lossy coding moves a colour by up to 8, the 5-bit channels drop up to 7 more.
    EXPECT_NEAR(static_cast<int>(raw >> 10 & 31) << 3, r, 15);
    EXPECT_NEAR(static_cast<int>(raw >> 5 & 31) << 3, g, 15);
    EXPECT_NEAR(static_cast<int>(raw & 31) << 3, b, 15);
}

TEST_F(MovieOverlay, ALostOverlaySurfaceIsRestoredWithTheMoviesSurfaces) {
    if (!Start()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    const int graph = OverlayGraph();
    ASSERT_GT(graph, 0);
    IDirectDrawSurface7* overlay = GetMovieRecord(movie_)->overlay_surface;
    ASSERT_NE(overlay, nullptr);
    LoseAllDirectDrawSurfaces();
    EXPECT_EQ(overlay->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(RestoreMovieSurfaces(movie_), 0);
    EXPECT_EQ(overlay->IsLost(), DD_OK);
    EXPECT_EQ(RestoreMovieSurfaces(-1), 0);
    // Restoring the graph's surfaces restores its movie's too.
    LoseAllDirectDrawSurfaces();
    EXPECT_EQ(overlay->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(RestoreGraphSurfaces(graph), 0);
    EXPECT_EQ(overlay->IsLost(), DD_OK);
}

}  // namespace
