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
#include "tests/movie/shown_centre.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

using movie_test::ExpectShows;
using movie_test::Shown;

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
        Shown() = movie_test::ShownCentre{};
    }
    void TearDown() override { CloseAllMovies(); }
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
    SetMovieFrameCallback(movie, movie_test::TakeFrameCentre, 0);
    // Opened paused at the first frame: that frame is handed over once, and nothing more
    // is collected while the clock moves on.
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 1);
    ExpectShows(0);
    clock_.AdvanceMs(500);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 1);
    // Played, it starts from that frame.
    PlayMovie(movie, 0);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 1);
    ExpectShows(0);
    // Nothing new until the next frame is due.
    clock_.AdvanceMs(20);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 1);
    clock_.AdvanceMs(20 + 3 * 40);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 2);
    ExpectShows(4);
    clock_.AdvanceMs(2000);
    UpdateMovieFrame(movie, 0);
    ExpectShows(11);
    // The next update the pacing lets through (18 ms on, no screen frame presented) finds the end.
    clock_.AdvanceMs(18);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(GetMovieRecord(movie)->paused, 1);
    EXPECT_EQ(GetMovieRecord(movie)->play_requested, 0);
}

TEST_P(MediaPlayer, LoopsBySeekingBackToTheStart) {
    const int movie = OpenMovie(GetParam().file, nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    SetMovieFrameCallback(movie, movie_test::TakeFrameCentre, 0);
    PlayMovie(movie, 1);
    clock_.AdvanceMs(600);
    UpdateMovieFrame(movie, 0);
    ExpectShows(11);
    clock_.AdvanceMs(18);
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
    SetMovieFrameCallback(movie, movie_test::TakeFrameCentre, 0);
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
