// The pacing of frame collection for movies in other formats: at most one frame per frame
// the screen presents, or one after 18 ms without a presented frame; forced updates are
// not paced. A 100-frames-a-second movie has a new frame due every 10 ms, so every step
// below would collect one if nothing paced it.
#include <gtest/gtest.h>

#include <vector>

#include "engine/file/file.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/shown_centre.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

using movie_test::ExpectShows;
using movie_test::Shown;

class MediaPacing : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
        InstallGraphicsMovieHooks();
        ResetFlipCount();
        Shown().frames = 0;
    }
    void TearDown() override {
        CloseAllMovies();
        InstallMovieDisplayHooks(nullptr);
    }
    // Opens a 100-frames-a-second movie of `frames` frames, playing.
    int OpenPlaying(int frames, bool loop) {
        const std::vector<std::uint8_t> bytes = MakeFfmpegFile("mp4", "mpeg4", 64, 48, frames, 100);
        if (bytes.empty()) return -2;
        WriteFileBytes("movie.mp4", bytes);
        const int movie = OpenMovie("movie.mp4", nullptr, nullptr, 0);
        if (movie < 0) return movie;
        SetMovieFrameCallback(movie, movie_test::TakeFrameCentre, 0);
        PlayMovie(movie, loop ? 1 : 0);
        return movie;
    }
    ScopedTempDir dir_;
    ManualClock clock_{1000};
};

TEST_F(MediaPacing, OneFramePerPresentedFrameOrAfter18MsAndForcedUpdatesAreNotPaced) {
    const int movie = OpenPlaying(20, false);
    if (movie == -2) GTEST_SKIP() << "no mpeg4 encoder in this build";
    ASSERT_GE(movie, 0) << ReadTestLogWithoutStamps();
    struct Step {
        std::uint32_t advance_ms;
        bool flip;      // a screen frame is presented before the update
        int force;
        int collected;  // frames collected so far
        int shows;      // the frame shown, -1 unchecked
    };
    const Step steps[] = {
        {0, false, 0, 1, 0},    // the first update collects at once
        {10, false, 0, 1, -1},  // 10 ms later, the same screen frame: nothing
        {0, true, 0, 2, 1},     // a presented frame: collects at once
        {0, false, 0, 2, -1},
        {17, false, 0, 2, -1},  // 17 ms without a presented frame: still nothing
        {1, false, 0, 3, 2},    // 18 ms: collects
        {10, false, 1, 4, 3},   // forced: collects though 10 ms and no flip
        {0, false, 0, 4, -1},   // a forced collection counts for the pacing too
        {10, true, 0, 5, 4},
        {10, true, 0, 6, 5},
    };
    int i = 0;
    for (const Step& s : steps) {
        clock_.AdvanceMs(s.advance_ms);
        if (s.flip) CountFlip();
        UpdateMovieFrame(movie, s.force);
        EXPECT_EQ(Shown().frames, s.collected) << "step " << i;
        if (s.shows >= 0) ExpectShows(s.shows);
        ++i;
    }
}

// Opening and the seek back to the start of a looping movie clear the pacing: the first
// update after either collects at once.
TEST_F(MediaPacing, OpenAndTheLoopSeekClearThePacing) {
    const int movie = OpenPlaying(5, true);
    if (movie == -2) GTEST_SKIP() << "no mpeg4 encoder in this build";
    ASSERT_GE(movie, 0) << ReadTestLogWithoutStamps();
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->last_flip_count, -1);
    EXPECT_EQ(record->last_update_time, 0xFFFFFFFFu);
    UpdateMovieFrame(movie, 0);
    clock_.AdvanceMs(60);
    UpdateMovieFrame(movie, 0);
    ExpectShows(4);
    EXPECT_EQ(Shown().frames, 2);
    EXPECT_EQ(record->last_flip_count, 0);
    CountFlip();
    UpdateMovieFrame(movie, 0);  // the end: back to the start and running
    EXPECT_EQ(Shown().frames, 2);
    EXPECT_EQ(record->paused, 0);
    EXPECT_EQ(record->last_flip_count, -1);
    EXPECT_EQ(record->last_update_time, 0xFFFFFFFFu);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(Shown().frames, 3);
    ExpectShows(0);
    EXPECT_EQ(record->last_flip_count, 1);
}

// The started engine hands the movie room the count of frames the screen presented.
TEST(MediaPacingEngine, TheStartedEngineGivesTheMovieRoomTheFlipCount) {
    engine_test::EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const std::uint64_t flips = GetFlipCount();
    EXPECT_EQ(GetMovieDisplayHooks()->get_flip_count(), flips);
    ASSERT_EQ(ApiFlipScreen(), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);
    EXPECT_EQ(GetMovieDisplayHooks()->get_flip_count(), flips + 2);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

}  // namespace
