// Movies in other formats through the media stream: opening, the frames shown on the
// manual clock, ending, looping by seeking back to 0, and keeping the time across a
// release and rebuild of the display objects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

struct Shown {
    int frames = 0;
    int red = -1, green = -1, blue = -1;
};
Shown g_shown;

int TakeFrame(MovieRecord* record, std::intptr_t) {
    MovieFrame frame;
    if (FetchMovieFrame(record, &frame) != 1) return 0;
    ++g_shown.frames;
    const std::uint8_t* centre = frame.pixels + (frame.height / 2) * frame.pitch + (frame.width / 2) * 4;
    g_shown.blue = centre[0];
    g_shown.green = centre[1];
    g_shown.red = centre[2];
    return 0;
}

struct Format {
    const char* container;
    const char* codec;
    const char* file;
};

class MediaPlayer : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
        bytes_ = MakeFfmpegFile(GetParam().container, GetParam().codec, 64, 48, 12, 25);
        if (bytes_.empty()) GTEST_SKIP() << "no " << GetParam().codec << " encoder in this build";
        WriteFileBytes(GetParam().file, bytes_);
        g_shown = Shown{};
    }
    void TearDown() override { CloseAllMovies(); }
    // The colour shown is frame k's, within what lossy coding moves it.
    void ExpectShows(int k) {
        int r, g, b;
        FfmpegFrameColour(k, &r, &g, &b);
        EXPECT_NEAR(g_shown.red, r, 8) << "frame " << k;
        EXPECT_NEAR(g_shown.green, g, 8) << "frame " << k;
        EXPECT_NEAR(g_shown.blue, b, 8) << "frame " << k;
    }
    ScopedTempDir dir_;
    ManualClock clock_{1000};
    std::vector<std::uint8_t> bytes_;
};

TEST_P(MediaPlayer, PlaysItsFramesOnTheClockAndStopsAtTheEnd) {
    int width = 0, height = 0;
    const int movie = OpenMovie(GetParam().file, &width, &height, 1);
    ASSERT_GE(movie, 0);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    EXPECT_EQ(GetMovieRecord(movie)->theora_flag, 0);
    EXPECT_EQ(GetMovieRecord(movie)->surface_mode, 0);
    SetMovieFrameCallback(movie, TakeFrame, 0);
    // Opened paused at the first frame: that frame is handed over once, and nothing more
    // is collected while the clock moves on.
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_shown.frames, 1);
    ExpectShows(0);
    clock_.AdvanceMs(500);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_shown.frames, 1);
    // Played, it starts from that frame.
    PlayMovie(movie, 0);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_shown.frames, 1);
    ExpectShows(0);
    // Nothing new until the next frame is due.
    clock_.AdvanceMs(20);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_shown.frames, 1);
    clock_.AdvanceMs(20 + 3 * 40);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_shown.frames, 2);
    ExpectShows(4);
    clock_.AdvanceMs(2000);
    UpdateMovieFrame(movie, 0);
    ExpectShows(11);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(GetMovieRecord(movie)->paused, 1);
    EXPECT_EQ(GetMovieRecord(movie)->play_requested, 0);
}

TEST_P(MediaPlayer, LoopsBySeekingBackToTheStart) {
    const int movie = OpenMovie(GetParam().file, nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    SetMovieFrameCallback(movie, TakeFrame, 0);
    PlayMovie(movie, 1);
    clock_.AdvanceMs(600);
    UpdateMovieFrame(movie, 0);
    ExpectShows(11);
    UpdateMovieFrame(movie, 0);  // the end: back to 0 and running
    UpdateMovieFrame(movie, 0);
    ExpectShows(0);
    EXPECT_EQ(GetMovieRecord(movie)->paused, 0);
    clock_.AdvanceMs(2 * 40);
    UpdateMovieFrame(movie, 0);
    ExpectShows(2);
}

TEST_P(MediaPlayer, ARebuildContinuesAtTheSavedTime) {
    const int movie = OpenMovie(GetParam().file, nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    SetMovieFrameCallback(movie, TakeFrame, 0);
    PlayMovie(movie, 0);
    clock_.AdvanceMs(5 * 40);
    UpdateMovieFrame(movie, 0);
    ExpectShows(5);
    ReleaseAllMovieGraphs();
    EXPECT_EQ(GetMovieRecord(movie)->media, nullptr);
    UpdateMovieFrame(movie, 0);  // a released movie is left alone
    ASSERT_EQ(RebuildAllMovieGraphs(), 0);
    clock_.AdvanceMs(2 * 40);
    UpdateMovieFrame(movie, 0);
    ExpectShows(7);
}

INSTANTIATE_TEST_SUITE_P(Formats, MediaPlayer,
                         ::testing::Values(Format{"mpeg", "mpeg1video", "movie.mpg"},
                                           Format{"mp4", "libx264", "movie.mp4"},
                                           Format{"mp4", "mpeg4", "movie4.mp4"},
                                           Format{"webm", "libvpx", "movie.webm"}),
                         [](const auto& info) { return std::string(info.param.codec); });

}  // namespace
