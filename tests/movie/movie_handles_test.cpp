// Movie handles: the table of 100, check counts, the Theora clock on the manual clock
// (playing, ending, looping, pausing and resuming), and files no player takes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/movie_room_test.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/peak_memory.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

class MovieHandles : public movie_test::MovieRoomTest {
protected:
    MovieHandles() : MovieRoomTest(5000) {}
    void SetUp() override {
        MovieRoomTest::SetUp();
        TheoraFixture f;
        f.frames = 20;
        f.keyframe_interval = 4;
        bytes_ = MakeTheoraFile(f);
        reference_ = DecodeTheoraReference(bytes_);
        WriteFileBytes("movie.ogv", bytes_);
    }
    // The frame the graph would be given now.
    int ShownFrame(int movie) {
        UpdateMovieFrame(movie, 0);
        return GetTheoraCurrentFrame(GetMovieRecord(movie)->theora);
    }
    std::vector<std::uint8_t> bytes_;
    ReferenceFrames reference_;
};

// A Theora file whose header claims 8192 x 8192 frames is refused by the Theora reader for
// the memory its pictures would take, and is not handed on to the other player, which
// would decode the same stream into as much memory.
TEST_F(MovieHandles, ATheoraMovieTooLargeForTheMemoryBoundOpensInNoPlayer) {
    WriteFileBytes("huge.ogv", WithTheoraFrameSize(MakeTheoraFile(TinyTheoraFixture()), 8192, 8192));
    StartTestLog();
    ResetPeakResident();
    int movie = 0;
    const std::uint64_t growth = PeakGrowthOf([&] { movie = OpenMovie("huge.ogv", nullptr, nullptr, 0); });
    EXPECT_EQ(movie, -1);
    EXPECT_LT(growth, 16ull * 1024 * 1024);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "Theora ムービーデコード処理用のメモリ確保に失敗しました\r\n"
              "ムービーファイルオープン処理時にエラーが発生しました");
}

TEST_F(MovieHandles, TheHundredAndFirstOpenFailsQuietlyAndSlotsAreReused) {
    std::vector<int> handles;
    for (int i = 0; i < 100; ++i) {
        const int handle = OpenMovie("movie.ogv", nullptr, nullptr, 0);
        ASSERT_GE(handle, 0) << i;
        EXPECT_EQ(handle & 0x7800FFFF, 0x18000000 | i);
        handles.push_back(handle);
    }
    const std::string log_before = ReadTestLogWithoutStamps();
    EXPECT_EQ(OpenMovie("movie.ogv", nullptr, nullptr, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(), log_before);
    EXPECT_EQ(CloseMovie(handles[37]), 0);
    const int again = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    EXPECT_EQ(again & 0xFFFF, 37);
    EXPECT_NE(again, handles[37]);
    // The closed handle names nothing, though its slot is in use again.
    EXPECT_EQ(CloseMovie(handles[37]), -1);
    EXPECT_EQ(GetMovieRecord(handles[37]), nullptr);
    EXPECT_EQ(PauseMovie(handles[37], 0), -1);
    EXPECT_EQ(UpdateMovieFrame(handles[37], 0), 0);
}

TEST_F(MovieHandles, OpensPausedAtTheFirstFrameWithItsSize) {
    int width = 0, height = 0;
    const int movie = OpenMovie("movie.ogv", &width, &height, 1);
    ASSERT_GE(movie, 0);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->paused, 1);
    EXPECT_EQ(record->play_requested, 0);
    EXPECT_EQ(record->theora_flag, 1);
    EXPECT_EQ(record->surface_mode, 0);
    clock_.AdvanceMs(3000);
    EXPECT_EQ(ShownFrame(movie), 0);
}

TEST_F(MovieHandles, PlaysOnTheClockAndEndsAtTheLastFrame) {
    const int movie = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    ASSERT_EQ(PlayMovie(movie, 0), 0);
    // 25 frames a second: frame k from k x 40 ms on.
    struct Step {
        std::uint32_t advance_ms;
        int frame;
    };
    const Step steps[] = {{0, 0}, {39, 0}, {1, 1}, {160, 5}, {599, 19}, {40, 19}};
    for (const Step& s : steps) {
        clock_.AdvanceMs(s.advance_ms);
        EXPECT_EQ(ShownFrame(movie), s.frame);
    }
    // The update that found the last frame shown marked the movie ended.
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->paused, 1);
    EXPECT_EQ(record->play_requested, 0);
}

TEST_F(MovieHandles, ALoopingMovieShowsTheDocumentedFrames) {
    const int movie = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    clock_.AdvanceMs(18 * 40);
    EXPECT_EQ(ShownFrame(movie), 18);
    // Elapsed frame total + 3 shows frame 3: the decoder goes forward through the wrap.
    clock_.AdvanceMs(5 * 40);
    EXPECT_EQ(ShownFrame(movie), 3);
    clock_.AdvanceMs(40 * 40 + 7 * 40);
    EXPECT_EQ(ShownFrame(movie), 10);
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->paused, 0);
    EXPECT_EQ(record->play_requested, 1);
}

TEST_F(MovieHandles, PauseAllKeepsTheRequestAndResumeContinuesFromTheShownFrame) {
    const int playing = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    const int stopped = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    PlayMovie(playing, 0);
    clock_.AdvanceMs(7 * 40 + 10);
    EXPECT_EQ(ShownFrame(playing), 7);
    PauseAllMovies();
    const MovieRecord* record = GetMovieRecord(playing);
    EXPECT_EQ(record->paused, 1);
    EXPECT_EQ(record->play_requested, 1);
    clock_.AdvanceMs(5000);
    EXPECT_EQ(ShownFrame(playing), 7);
    ResumeAllMovies();
    // The clock is rebased so that frame 7 counts as shown 7 x 40,000 us ago.
    EXPECT_EQ(GetMovieRecord(playing)->start_time, static_cast<std::int64_t>(clock_.Nanoseconds() / 1000) - 280000);
    EXPECT_EQ(GetMovieRecord(stopped)->paused, 1);
    clock_.AdvanceMs(40);
    EXPECT_EQ(ShownFrame(playing), 8);
    // Pausing a paused movie changes nothing; pausing without keeping drops the request.
    PauseMovie(playing, 0);
    EXPECT_EQ(GetMovieRecord(playing)->play_requested, 0);
    EXPECT_EQ(PauseMovie(playing, 1), 0);
    EXPECT_EQ(GetMovieRecord(playing)->play_requested, 0);
    ResumeAllMovies();
    EXPECT_EQ(GetMovieRecord(playing)->paused, 1);
}

int g_callbacks = 0;
MovieFrame g_last_frame;
int CountFrames(MovieRecord* record, std::intptr_t user) {
    EXPECT_EQ(user, 77);
    MovieFrame frame;
    if (FetchMovieFrame(record, &frame) == 1) {
        ++g_callbacks;
        g_last_frame = frame;
    }
    return 0;
}

TEST_F(MovieHandles, TheCallbackIsGivenEachNewFrameOnceAndSeeksMoveTheClock) {
    const int movie = OpenMovie("movie.ogv", nullptr, nullptr, 0);
    g_callbacks = 0;
    ASSERT_EQ(SetMovieFrameCallback(movie, CountFrames, 77), 0);
    UpdateMovieFrame(movie, 0);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_callbacks, 1);
    ASSERT_EQ(g_last_frame.width, 32);
    EXPECT_EQ(0, std::memcmp(g_last_frame.pixels, reference_.frames[0].data(), 32 * 4));
    SeekMovieFrame(movie, 12);
    UpdateMovieFrame(movie, 0);
    EXPECT_EQ(g_callbacks, 2);
    EXPECT_EQ(0, std::memcmp(g_last_frame.pixels, reference_.frames[12].data(), 32 * 32 * 4));
    PlayMovie(movie, 0);
    clock_.AdvanceMs(80);
    EXPECT_EQ(ShownFrame(movie), 14);
}

TEST_F(MovieHandles, AFileNoPlayerTakesIsRefusedWithItsReasons) {
    dir_.WriteFile("noise.bin", std::string(300, '\x5a'));
    EXPECT_EQ(OpenMovie("noise.bin", nullptr, nullptr, 0), -1);
    EXPECT_EQ(OpenMovie("missing.ogv", nullptr, nullptr, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "ファイル:noise.bin が開けませんでした\r\nムービーファイルオープン処理時にエラーが発生しました"
              "ファイル:missing.ogv が開けませんでした\r\nムービーファイルオープン処理時にエラーが発生しました");
}

}  // namespace
