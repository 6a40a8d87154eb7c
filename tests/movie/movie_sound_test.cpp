// A Theora movie's Vorbis track: played as a stream sound whose play position is the
// movie's clock on the manual audio clock, paused, resumed and deleted with the movie,
// and a movie that plays silently on the microsecond clock when there is no sound.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "engine/sound/sound.h"
#include "platform/com.h"
#include "platform/testing/audio_testing.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

class MovieSound : public ::testing::Test {
protected:
    void SetUp() override {
        StartTestLog();
        SetupFileAccessTable(nullptr);
        SetupStreamFunctions();
        InitYuvToRgbTables();
        TheoraFixture f;
        f.frames = 100;  // 4 s at 25 frames a second, and 4 s of sound
        f.keyframe_interval = 4;
        f.with_vorbis = true;
        f.vorbis_page_per_frame = true;
        WriteFileBytes("sound.ogv", MakeTheoraFile(f));
        f.with_vorbis = false;
        WriteFileBytes("mute.ogv", MakeTheoraFile(f));
    }
    void TearDown() override {
        CloseAllMovies();
        if (sound_up_) {
            TerminateSoundSystem();
            CoUninitialize();
        }
    }
    void StartSound() {
        CoInitialize(nullptr);
        ASSERT_EQ(InitializeSoundSystem(), 0);
        sound_up_ = true;
    }
    // Lets `ms` pass as frames would: the stream refill, then the graph's update.
    int PassAndShow(int movie, std::uint32_t ms) {
        clock_.AdvanceMs(ms);
        audio_.TakeMixed();
        RefillAllStreamSounds();
        UpdateMovieFrame(movie, 0);
        return GetTheoraCurrentFrame(GetMovieRecord(movie)->theora);
    }
    // The frame the sound's position stands for, at 25 frames a second.
    static int FrameOfSound(int sound) { return GetSoundPlayPositionMs(sound) * 25 / 1000; }

    ScopedTempDir dir_;
    ManualClock clock_{5000};
    ManualAudio audio_;
    bool sound_up_ = false;
};

TEST_F(MovieSound, ThePictureFollowsTheSoundsPlayPosition) {
    StartSound();
    SetSoundDataCreateType(2);
    const int movie = OpenMovie("sound.ogv", nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    // The creation type the game had is back after the track was loaded.
    EXPECT_EQ(GetSoundDataCreateType(), 2);
    SetSoundDataCreateType(0);
    const int sound = GetMovieRecord(movie)->sound;
    ASSERT_GE(sound, 0);
    EXPECT_EQ(GetSoundTotalSamples(sound), 100 * 320);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 0);

    ASSERT_EQ(PlayMovie(movie, 0), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 1);
    const int at_300 = PassAndShow(movie, 300);
    EXPECT_EQ(at_300, FrameOfSound(sound));
    EXPECT_GE(at_300, 6);
    EXPECT_LE(at_300, 8);

    // The sound held still: the picture holds still too, though the microsecond clock runs on.
    StopSoundHandle(sound);
    EXPECT_EQ(PassAndShow(movie, 200), at_300);
    // And goes on from where the sound goes on.
    PlaySoundHandle(sound, 1, 0);
    const int later = PassAndShow(movie, 200);
    EXPECT_EQ(later, FrameOfSound(sound));
    EXPECT_GE(later, at_300 + 4);
    EXPECT_LE(later, at_300 + 6);

    // Past the sound's end the last frame shows and the movie is not marked ended.
    for (int i = 0; i < 40; ++i) PassAndShow(movie, 100);
    EXPECT_EQ(PassAndShow(movie, 100), 99);
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->paused, 0);
    EXPECT_EQ(record->play_requested, 1);

    ASSERT_EQ(CloseMovie(movie), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), -1);
}

TEST_F(MovieSound, AMovieWhoseSoundWentWithTheSoundSystemGoesOnByTheMicrosecondClock) {
    StartSound();
    const int movie = OpenMovie("sound.ogv", nullptr, nullptr, 0);
    ASSERT_GE(GetMovieRecord(movie)->sound, 0);
    ASSERT_EQ(PlayMovie(movie, 0), 0);
    PassAndShow(movie, 200);
    TerminateSoundSystem();
    EXPECT_EQ(PassAndShow(movie, 200), 10);
    EXPECT_EQ(GetMovieRecord(movie)->sound, -1);
}

TEST_F(MovieSound, PauseStopsTheSoundAndResumeContinuesIt) {
    StartSound();
    const int movie = OpenMovie("sound.ogv", nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    const int sound = GetMovieRecord(movie)->sound;
    ASSERT_EQ(PlayMovie(movie, 0), 0);
    PassAndShow(movie, 240);
    ASSERT_EQ(PauseAllMovies(), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 0);
    const int paused_position = GetSoundPlayPositionMs(sound);
    const int paused_frame = GetTheoraCurrentFrame(GetMovieRecord(movie)->theora);
    EXPECT_EQ(paused_frame, paused_position * 25 / 1000);
    EXPECT_EQ(PassAndShow(movie, 300), paused_frame);
    ASSERT_EQ(ResumeAllMovies(), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 1);
    const int resumed = PassAndShow(movie, 120);
    EXPECT_EQ(resumed, FrameOfSound(sound));
    EXPECT_GE(GetSoundPlayPositionMs(sound), paused_position + 100);
    EXPECT_LE(GetSoundPlayPositionMs(sound), paused_position + 140);
}

TEST_F(MovieSound, ASeekMovesTheSoundToTheFramesTime) {
    StartSound();
    const int movie = OpenMovie("sound.ogv", nullptr, nullptr, 0);
    ASSERT_GE(movie, 0);
    const int sound = GetMovieRecord(movie)->sound;
    ASSERT_GE(sound, 0);
    ASSERT_EQ(PlayMovie(movie, 0), 0);
    PassAndShow(movie, 200);
    // Playing: the sound jumps to frame 60's time (2,400 ms) and plays on from there.
    ASSERT_EQ(SeekMovieFrame(movie, 60), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 1);
    EXPECT_GE(GetSoundPlayPositionMs(sound), 2400);
    EXPECT_LE(GetSoundPlayPositionMs(sound), 2402);
    EXPECT_EQ(PassAndShow(movie, 0), 60);
    const int later = PassAndShow(movie, 400);
    EXPECT_EQ(later, FrameOfSound(sound));
    EXPECT_GE(later, 69);
    EXPECT_LE(later, 71);
    // Backwards while paused: the sound waits at frame 30's time and starts there.
    ASSERT_EQ(PauseAllMovies(), 0);
    ASSERT_EQ(SeekMovieFrame(movie, 30), 0);
    EXPECT_EQ(CheckSoundHandlePlaying(sound), 0);
    EXPECT_GE(GetSoundPlayPositionMs(sound), 1200);
    EXPECT_LE(GetSoundPlayPositionMs(sound), 1202);
    EXPECT_EQ(PassAndShow(movie, 300), 30);
    ASSERT_EQ(ResumeAllMovies(), 0);
    EXPECT_EQ(PassAndShow(movie, 0), 30);
    const int resumed = PassAndShow(movie, 200);
    EXPECT_EQ(resumed, FrameOfSound(sound));
    EXPECT_GE(resumed, 34);
    EXPECT_LE(resumed, 36);
    // Beyond the end: the last frame, and the sound at its time.
    ASSERT_EQ(SeekMovieFrame(movie, 500), 0);
    EXPECT_EQ(PassAndShow(movie, 0), 99);
    EXPECT_GE(GetSoundPlayPositionMs(sound), 3960);
}

TEST_F(MovieSound, WithoutASoundDeviceOrTrackTheMoviePlaysOnTheMicrosecondClock) {
    struct Case {
        const char* file;
        bool sound_device;
    };
    const Case cases[] = {{"sound.ogv", false}, {"mute.ogv", true}};
    for (const Case& c : cases) {
        if (c.sound_device && !sound_up_) StartSound();
        const int movie = OpenMovie(c.file, nullptr, nullptr, 0);
        ASSERT_GE(movie, 0) << c.file;
        EXPECT_EQ(GetMovieRecord(movie)->sound, -1) << c.file;
        ASSERT_EQ(PlayMovie(movie, 0), 0);
        EXPECT_EQ(PassAndShow(movie, 400), 10) << c.file;
        // Without sound the last frame ends the movie.
        PassAndShow(movie, 5000);
        PassAndShow(movie, 0);
        EXPECT_EQ(GetMovieRecord(movie)->play_requested, 0) << c.file;
        ASSERT_EQ(CloseMovie(movie), 0);
    }
}

}  // namespace
