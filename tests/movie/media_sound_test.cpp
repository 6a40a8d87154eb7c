// The sound track of movies in other formats, on the manual audio clock: its samples
// reach the device one for one, the picture follows the sound's play position (also
// when the sound ran dry and stood still), and pause, resume, a display change, seek
// and loop move the sound with the picture. A movie without a sound device plays silent on the clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/com.h"
#include "platform/testing/audio_testing.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/shown_centre.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

using movie_test::ExpectShows;
using movie_test::Shown;

constexpr std::int64_t kRate = 44100;

class MediaSound : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
        CoInitialize(nullptr);
        Shown() = movie_test::ShownCentre{};
    }
    void TearDown() override {
        CloseAllMovies();
        CoUninitialize();
    }
    // A movie of `frames` pictures at 25 a second with an exact (16-bit PCM) sound track.
    bool Make(const char* name, int frames, int sound_ms = -1) {
        const std::vector<std::uint8_t> bytes = MakeFfmpegFile("mov", "mpeg4", 64, 48, frames, 25, "pcm_s16le", sound_ms);
        if (bytes.empty()) return false;
        WriteFileBytes(name, bytes);
        return true;
    }
    int Open(const char* name, bool loop) {
        const int movie = OpenMovie(name, nullptr, nullptr, 0);
        if (movie < 0) return movie;
        SetMovieFrameCallback(movie, movie_test::TakeFrameCentre, 0);
        PlayMovie(movie, loop ? 1 : 0);
        UpdateMovieFrame(movie, 0);
        audio_.TakeMixed();
        return movie;
    }
    // Lets `ms` pass and draws the movie, giving what the device played meanwhile.
    std::vector<std::int16_t> Pass(int movie, std::uint32_t ms) {
        clock_.AdvanceMs(ms);
        std::vector<std::int16_t> mixed = audio_.TakeMixed();
        UpdateMovieFrame(movie, 0);
        return mixed;
    }
    // `mixed` is `frames` frames of the track from sample `first` on, then silence.
    static void ExpectTrack(const std::vector<std::int16_t>& mixed, std::int64_t first, std::int64_t frames,
                            std::int64_t silent = 0) {
        ASSERT_EQ(mixed.size(), static_cast<std::size_t>(2 * (frames + silent)));
        for (std::int64_t i = 0; i < frames + silent; ++i) {
            for (int c = 0; c < 2; ++c) {
                const int want = i < frames ? FfmpegSoundSample(first + i, c) : 0;
                if (mixed[static_cast<std::size_t>(2 * i + c)] != want) {
                    FAIL() << "output frame " << i << " channel " << c << ": " << mixed[static_cast<std::size_t>(2 * i + c)]
                           << ", want " << want << " (track sample " << first + i << ")";
                }
            }
        }
    }

    ScopedTempDir dir_;
    ManualClock clock_{1000};
    ManualAudio audio_;
};

TEST_F(MediaSound, TheTrackReachesTheDeviceSampleForSampleAndSetsThePicture) {
    ASSERT_TRUE(Make("movie.mov", 125));
    const int movie = Open("movie.mov", false);
    ASSERT_GE(movie, 0) << ReadTestLogWithoutStamps();
    ASSERT_TRUE(MediaStreamHasSound(GetMovieRecord(movie)->media));
    ExpectShows(0);
    // Steps of 300 ms over the whole track: across refills and the wrap of the buffer.
    std::int64_t sample = 0;
    for (int step = 1; step <= 16; ++step) {
        const std::vector<std::int16_t> mixed = Pass(movie, 300);
        ExpectTrack(mixed, sample, 13230);
        sample += 13230;
        ExpectShows(step * 300 / 40);
    }
    // Past the sound's end the device plays silence and the movie ends with its pictures.
    ExpectTrack(Pass(movie, 300), sample, 220500 - sample, 13230 - (220500 - sample));
    ExpectShows(124);
    Pass(movie, 40);
    EXPECT_EQ(GetMovieRecord(movie)->paused, 1);
    EXPECT_EQ(GetMovieRecord(movie)->play_requested, 0);
    EXPECT_EQ(CloseMovie(movie), 0);
}

TEST_F(MediaSound, ThePictureWaitsForASoundThatRanDry) {
    ASSERT_TRUE(Make("movie.mov", 100));
    const int movie = Open("movie.mov", false);
    ASSERT_GE(movie, 0);
    // Three seconds with nobody drawing: the second written ahead plays, then silence,
    // and the picture stands at the end of what was played, not at the clock's 3 s.
    ExpectTrack(Pass(movie, 3000), 0, kRate, 2 * kRate);
    ExpectShows(25);
    // From there sound and picture go on together.
    ExpectTrack(Pass(movie, 200), kRate, 8820);
    ExpectShows(30);
}

TEST_F(MediaSound, PauseResumeSeekAndLoopMoveTheSound) {
    ASSERT_TRUE(Make("movie.mov", 100));
    ASSERT_TRUE(Make("short.mov", 25));
    const int movie = Open("movie.mov", false);
    ASSERT_GE(movie, 0);
    ExpectTrack(Pass(movie, 400), 0, 17640);
    // Paused: silence, the picture holds.
    ASSERT_EQ(PauseAllMovies(), 0);
    ExpectTrack(Pass(movie, 500), 0, 0, 22050);
    ExpectShows(10);
    // Resumed: on from the same sample.
    ASSERT_EQ(ResumeAllMovies(), 0);
    ExpectTrack(Pass(movie, 200), 17640, 8820);
    ExpectShows(15);
    // A display change re-opens the stream at its time, and the sound goes on there.
    ASSERT_EQ(ReleaseAllMovieGraphs(), 0);
    ASSERT_EQ(RebuildAllMovieGraphs(), 0);
    ExpectTrack(Pass(movie, 100), 26460, 4410);
    ExpectShows(17);
    // A seek to frame 50 puts the sound at 2 s.
    ASSERT_EQ(SeekMovieFrame(movie, 50), 0);
    ExpectTrack(Pass(movie, 100), 88200, 4410);
    ExpectShows(52);
    ASSERT_EQ(CloseMovie(movie), 0);

    // A looping movie sought back to its start at the end starts its sound again too.
    const int loop = Open("short.mov", true);
    ASSERT_GE(loop, 0);
    Pass(loop, 1200);
    ExpectShows(24);
    Pass(loop, 18);  // the end (the next update the pacing lets through): back to the start and running
    ExpectTrack(Pass(loop, 100), 0, 4410);
    ExpectShows(2);
    EXPECT_EQ(GetMovieRecord(loop)->paused, 0);
}

TEST_F(MediaSound, CompressedTracksPlayTooAndKeepThePictureWithThem) {
    struct Format {
        const char* container;
        const char* video;
        const char* sound;
    };
    const Format formats[] = {{"mp4", "mpeg4", "aac"}, {"webm", "libvpx", "libvorbis"}, {"mpeg", "mpeg1video", "mp2"}};
    for (const Format& f : formats) {
        SCOPED_TRACE(f.sound);
        const std::vector<std::uint8_t> bytes = MakeFfmpegFile(f.container, f.video, 64, 48, 50, 25, f.sound);
        if (bytes.empty()) continue;  // no such encoder in this build of the libraries
        WriteFileBytes("lossy.bin", bytes);
        const int movie = Open("lossy.bin", false);
        ASSERT_GE(movie, 0);
        ASSERT_TRUE(MediaStreamHasSound(GetMovieRecord(movie)->media));
        const std::vector<std::int16_t> mixed = Pass(movie, 400);
        ASSERT_EQ(mixed.size(), 2u * 17640);
        // The ramp survives coding well enough to be far from silence in its middle.
        std::int64_t energy = 0;
        for (std::size_t i = 2 * 4410; i < mixed.size(); ++i) energy += mixed[i] < 0 ? -mixed[i] : mixed[i];
        EXPECT_GT(energy / static_cast<std::int64_t>(mixed.size() - 2 * 4410), 2000);
        ExpectShows(10);
        ASSERT_EQ(CloseMovie(movie), 0);
    }
}

TEST_F(MediaSound, AfterAShortTrackThePictureGoesOnByTheClock) {
    ASSERT_TRUE(Make("movie.mov", 50, 1000));
    const int movie = Open("movie.mov", false);
    ASSERT_GE(movie, 0);
    ExpectTrack(Pass(movie, 500), 0, 22050);
    ExpectShows(12);
    ExpectTrack(Pass(movie, 700), 22050, 22050, 8820);
    ExpectShows(30);
    EXPECT_FALSE(MediaStreamHasSound(GetMovieRecord(movie)->media));
    ExpectTrack(Pass(movie, 400), 0, 0, 17640);
    ExpectShows(40);
}

TEST_F(MediaSound, WithoutASoundDeviceTheMoviePlaysSilentOnTheClock) {
    ASSERT_TRUE(Make("movie.mov", 50));
    struct Case {
        const char* step;  // the DirectSound step that fails, or null for COM not being up
    };
    const Case cases[] = {{"DirectSound.Initialize"}, {"DirectSound.CreateSoundBuffer"}, {nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step != nullptr ? c.step : "no COM");
        {
            SoundFailure failure(c.step != nullptr ? c.step : "DirectSound.Create", c.step != nullptr ? 1 : 0);
            if (c.step == nullptr) CoUninitialize();
            const int movie = Open("movie.mov", false);
            if (c.step == nullptr) CoInitialize(nullptr);
            ASSERT_GE(movie, 0);
            EXPECT_FALSE(MediaStreamHasSound(GetMovieRecord(movie)->media));
            // No device is open: nothing is mixed at all.
            EXPECT_TRUE(Pass(movie, 400).empty());
            ExpectShows(10);
            ASSERT_EQ(CloseMovie(movie), 0);
        }
    }
}

}  // namespace
