// Damaged movie files: every cut length on a grid and bytes flipped at random places are
// opened, stepped, sought, looped and closed without a crash, a hang or a leak; what
// opens shows frames of the size it reports. Theora files through the decoder, other
// formats with sound tracks through the media player and its sound on the manual clock.
#include <gtest/gtest.h>

#include <random>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "engine/movie/movie_record.h"
#include "platform/com.h"
#include "platform/testing/audio_testing.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

void Exercise(const std::vector<std::uint8_t>& bytes) {
    WriteFileBytes("damaged.ogv", bytes);
    const FileHandle file = FileAccessOpen("damaged.ogv", 0, 1, 0);
    ASSERT_NE(file, 0);
    TheoraMovie* movie = OpenTheoraMovie(GetFileAccessTable(), file, 4);
    if (movie != nullptr) {
        TheoraMovieInfo info;
        GetTheoraMovieInfo(movie, &info);
        EXPECT_GT(info.frame_total, 0);
        for (int step = 0; step < 12; ++step) {
            AdvanceTheoraFrames(movie, 1 + step % 5);
            FetchTheoraFrame(movie, 1);
            if (step % 4 == 3) SeekTheoraFrame(movie, step * 3);
            FetchTheoraFrame(movie, 1);
        }
        CloseTheoraMovie(movie);
    }
    FileAccessClose(file);
}

TEST(MovieCorpus, TruncatedAndBitFlippedFilesAreSafe) {
    ScopedTempDir dir;
    SetupFileAccessTable(nullptr);
    StartTestLog();
    InitYuvToRgbTables();
    TheoraFixture f;
    f.frames = 18;
    f.keyframe_interval = 6;
    f.page_fill = 200;
    f.with_vorbis = true;
    const std::vector<std::uint8_t> good = MakeTheoraFile(f);
    const std::int32_t blocks_before = TrackedLiveBlockCount();
    for (std::size_t cut = 0; cut < good.size(); cut += good.size() / 60 + 1) {
        Exercise(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 60; ++round) {
        std::vector<std::uint8_t> damaged = good;
        const int flips = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        Exercise(damaged);
    }
    EXPECT_EQ(TrackedLiveBlockCount(), blocks_before);
}

int CountFrame(MovieRecord* record, std::intptr_t) {
    MovieFrame frame;
    if (FetchMovieFrame(record, &frame) == 1) {
        EXPECT_EQ(frame.width, 64);
        EXPECT_EQ(frame.height, 48);
    }
    return 0;
}

void ExercisePlayer(const std::vector<std::uint8_t>& bytes, ManualClock& clock) {
    WriteFileBytes("damaged.bin", bytes);
    const int movie = OpenMovie("damaged.bin", nullptr, nullptr, 0);
    if (movie < 0) return;
    SetMovieFrameCallback(movie, CountFrame, 0);
    PlayMovie(movie, 1);
    for (int step = 0; step < 10; ++step) {
        clock.AdvanceMs(60 + 170 * (step % 3));
        UpdateMovieFrame(movie, 0);
        if (step == 4) SeekMovieFrame(movie, 7);
        if (step == 6) {
            ReleaseAllMovieGraphs();
            RebuildAllMovieGraphs();
        }
    }
    CloseMovie(movie);
}

TEST(MovieCorpus, DamagedFilesWithSoundAreSafeInThePlayer) {
    ScopedTempDir dir;
    SetupFileAccessTable(nullptr);
    StartTestLog();
    InitYuvToRgbTables();
    CoInitialize(nullptr);
    {
        ManualClock clock(1000);
        ManualAudio audio;
        struct Format {
            const char* container;
            const char* video;
            const char* sound;
        };
        const Format formats[] = {{"mov", "mpeg4", "pcm_s16le"}, {"mp4", "mpeg4", "aac"}};
        const std::int32_t blocks_before = TrackedLiveBlockCount();
        for (const Format& f : formats) {
            SCOPED_TRACE(f.sound);
            const std::vector<std::uint8_t> good = MakeFfmpegFile(f.container, f.video, 64, 48, 12, 25, f.sound);
            if (good.empty()) continue;
            for (std::size_t cut = 0; cut < good.size(); cut += good.size() / 24 + 1) {
                ExercisePlayer(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)),
                               clock);
            }
            std::mt19937 random(4321);
            for (int round = 0; round < 24; ++round) {
                std::vector<std::uint8_t> damaged = good;
                const int flips = 1 + static_cast<int>(random() % 6);
                for (int i = 0; i < flips; ++i) {
                    damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                }
                ExercisePlayer(damaged, clock);
            }
            audio.TakeMixed();
        }
        EXPECT_EQ(TrackedLiveBlockCount(), blocks_before);
        EXPECT_EQ(platform_hooks::LiveSoundBuffers(), 0);
    }
    CoUninitialize();
}

}  // namespace
