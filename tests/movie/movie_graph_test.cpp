// A movie file loaded as a graph and drawn through the public draw path: the window
// shows the movie's first frame, then the frame its clock has reached; deleting the graph
// closes the movie. An alpha movie's graph holds the left half of its frames with the
// right half as their alpha. A movie of another format (played by the media player, not
// the Theora decoder) shows its first frame from the first draw on, while nothing plays it.
#include <gtest/gtest.h>

#include "engine/core/core.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/display_testing.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/movie/alpha_movie_check.h"
#include "tests/movie/flat_movie_check.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/movie_testing.h"

namespace {

// The engine started on a 32-bit screen, drawing into the back buffer, and the pictures
// its window shows.
class EngineOnScreen : public ::testing::Test {
protected:
    // Starts the engine, once the test's files are written.
    void StartEngine() {
        ASSERT_EQ(ApiInitializeLibrary(), 0);
        up_ = true;
        ASSERT_EQ(GetScreenBitDepth(), 32);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    }
    void TearDown() override {
        if (!up_) return;
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
    // Draws the graph at (x, y) on a cleared back buffer and flips: `*shown` is the picture
    // the window shows then (left empty after a failure).
    void ShowGraph(int graph, int x, int y, platform_hooks::PresentedFrame* shown) {
        ASSERT_EQ(ApiClearDrawTarget(), 0);
        ASSERT_EQ(ApiDrawGraphAtPoint(x, y, graph, 0), 0);
        capture_.Take();
        ASSERT_EQ(ApiFlipScreen(), 0);
        const auto frames = capture_.Take();
        ASSERT_FALSE(frames.empty());
        ASSERT_EQ(frames.back().width, 640);
        *shown = frames.back();
    }
    engine_test::EngineSession session_;
    PresentCapture capture_;
    bool up_ = false;
};

class MovieGraph : public EngineOnScreen {
protected:
    void SetUp() override {
        const std::vector<std::uint8_t> bytes = MakeTheoraFile(CroppedTheoraFixture(16));
        reference_ = DecodeTheoraReference(bytes);
        WriteFileBytes("movie.ogv", bytes);
        StartEngine();
    }
    // Draws the graph at (x, y), flips, and checks the window shows reference frame k.
    void ExpectDrawnFrame(int graph, int x, int y, int k) {
        platform_hooks::PresentedFrame shown{};
        ShowGraph(graph, x, y, &shown);
        if (shown.pixels.empty()) return;
        const std::vector<std::uint8_t>& want = reference_.frames[k];
        int wrong = 0;
        for (int row = 0; row < reference_.height; ++row) {
            for (int col = 0; col < reference_.width; ++col) {
                const std::uint8_t* p = &want[static_cast<std::size_t>((row * reference_.width + col) * 4)];
                const std::uint32_t colour = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
                const std::uint32_t got = shown.pixels[static_cast<std::size_t>(y + row) * 640 + x + col] & 0xFFFFFF;
                if (got != colour && wrong++ < 5) ADD_FAILURE() << "frame " << k << " at " << col << "," << row;
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << k;
    }
    ReferenceFrames reference_;
};

TEST_F(MovieGraph, ShowsTheFirstFrameThenTheFrameOfItsClock) {
    const int graph = ApiLoadImageAsGraph("movie.ogv", 1);
    ASSERT_GT(graph, 0);
    int width = 0, height = 0;
    ReadGraphSize(graph, &width, &height);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
    const int movie = GetGraphRecord(graph)->movie;
    ASSERT_NE(GetMovieRecord(movie), nullptr);
    ExpectDrawnFrame(graph, 10, 20, 0);
    PlayMovie(movie, 1);
    session_.clock().AdvanceMs(5 * 40);
    ExpectDrawnFrame(graph, 10, 20, 5);
    session_.clock().AdvanceMs(13 * 40);
    ExpectDrawnFrame(graph, 100, 60, 2);
    ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
    EXPECT_EQ(GetMovieRecord(movie), nullptr);
}

TEST_F(MovieGraph, AnAlphaMovieGraphHoldsTheLeftHalfWithTheRightHalfAsAlpha) {
    const ReferenceFrames reference = WriteAlphaRampMovie("alpha.ogv", 64);
    // The ramp runs from transparent to nearly opaque across the right half.
    EXPECT_LE(AlphaMovieArgb(reference, 0, 0, 5) >> 24, 4u);
    EXPECT_GE(AlphaMovieArgb(reference, 0, 31, 5) >> 24, 250u);

    MovieAlphaDefault() = 1;
    const int graph = ApiLoadImageAsGraph("alpha.ogv", 1);
    MovieAlphaDefault() = 0;
    ASSERT_GT(graph, 0);
    const GraphRecord* record = GetGraphRecord(graph);
    EXPECT_EQ(record->width, 32);
    EXPECT_EQ(record->height, 32);
    EXPECT_EQ(record->creation.alpha_channel, 1);
    const int movie = record->movie;
    EXPECT_EQ(GetMovieAlphaFlag(movie), 1);
    for (const int k : {0, 4}) {
        SCOPED_TRACE(k);
        ASSERT_EQ(ApiDrawGraphAtPoint(0, 0, graph, 0), 0);
        ExpectAlphaMovieFrame(reference, k, 32, 32, [&](int x, int y) { return graph_test::GraphArgb(graph, x, y); });
        PlayMovie(movie, 1);
        session_.clock().AdvanceMs(4 * 40);
    }
    // A movie opened with the default back at 0 is a plain one.
    const int plain = ApiLoadImageAsGraph("alpha.ogv", 1);
    ASSERT_GT(plain, 0);
    EXPECT_EQ(GetGraphRecord(plain)->width, 64);
    EXPECT_EQ(GetMovieAlphaFlag(GetGraphRecord(plain)->movie), 0);
}

TEST_F(MovieGraph, AFileThatIsNeitherPictureNorMovieMakesNoGraph) {
    session_.dir().WriteFile("noise.dat", std::string(64, '\x33'));
    EXPECT_EQ(ApiLoadImageAsGraph("noise.dat", 1), -1);
    EXPECT_EQ(ApiLoadImageAsGraph("absent.dat", 1), -1);
}

class FlatMovieGraph : public EngineOnScreen, public ::testing::WithParamInterface<FlatMovieFormat> {
protected:
    void SetUp() override {
        if (!WriteFlatMovie(GetParam(), 8)) GTEST_SKIP() << "no " << GetParam().codec << " encoder in this build";
        StartEngine();
    }
    // Draws the graph at (x, y) on a cleared back buffer, flips, and checks the window
    // shows frame k there.
    void ExpectDrawnFrame(int graph, int x, int y, int k) {
        platform_hooks::PresentedFrame shown{};
        ShowGraph(graph, x, y, &shown);
        if (shown.pixels.empty()) return;
        ExpectFlatMovieFrame(GetParam(), k, [&](int col, int row) {
            return shown.pixels[static_cast<std::size_t>(y + row) * 640 + static_cast<std::size_t>(x + col)];
        });
    }
};

// Loaded as a graph the movie stands paused at its first frame, and nothing plays it: the
// first draw shows that frame, and so does a draw two seconds later. Played, it moves on.
TEST_P(FlatMovieGraph, ShowsItsFirstFrameFromTheFirstDraw) {
    const FlatMovieFormat& format = GetParam();
    const int graph = ApiLoadImageAsGraph(format.file, 1);
    ASSERT_GT(graph, 0);
    const GraphRecord* record = GetGraphRecord(graph);
    EXPECT_EQ(record->creation.texture, 0);
    EXPECT_EQ(record->width, format.width);
    EXPECT_EQ(record->height, format.height);
    const int movie = record->movie;
    ASSERT_NE(GetMovieRecord(movie), nullptr);
    EXPECT_EQ(GetMovieRecord(movie)->theora_flag, 0);
    ExpectDrawnFrame(graph, 10, 20, 0);
    session_.clock().AdvanceMs(2000);
    ExpectDrawnFrame(graph, 30, 40, 0);
    PlayMovie(movie, 0);
    session_.clock().AdvanceMs(3 * 1000 / format.fps + 1);
    ExpectDrawnFrame(graph, 30, 40, 3);
}

// A paused movie's graph shows the frame the movie stands at also when the movie was
// re-opened by a display change before the first draw, and after a seek.
TEST_P(FlatMovieGraph, APausedMovieShowsWhereItStandsAfterARebuildOrASeek) {
    const int graph = ApiLoadImageAsGraph(GetParam().file, 1);
    ASSERT_GT(graph, 0);
    const int movie = GetGraphRecord(graph)->movie;
    ReleaseAllMovieGraphs();
    ASSERT_EQ(RebuildAllMovieGraphs(), 0);
    ExpectDrawnFrame(graph, 10, 20, 0);
    ASSERT_EQ(SeekMovieFrame(movie, 5), 0);
    ExpectDrawnFrame(graph, 10, 20, 5);
    EXPECT_EQ(GetMovieRecord(movie)->paused, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, FlatMovieGraph, ::testing::ValuesIn(kFlatMovieFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
