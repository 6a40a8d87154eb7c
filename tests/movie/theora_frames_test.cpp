// Frames of an open Theora movie after open, advance, jump, seek and loop, each against
// an independent decode of the same file; the position rules of advancing.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

// A cropped picture, key frames every 8, pages cut short so packets run over page ends,
// and a sound track's pages in between.
TheoraFixture CroppedFixture(int frames) {
    TheoraFixture f = CroppedTheoraFixture(frames);
    f.keyframe_interval = 8;
    f.page_fill = 300;
    f.with_vorbis = true;
    return f;
}

class TheoraFrames : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
    }
    void OpenFixture(const TheoraFixture& f) {
        const std::vector<std::uint8_t> bytes = MakeTheoraFile(f);
        reference_ = DecodeTheoraReference(bytes);
        ASSERT_EQ(static_cast<int>(reference_.frames.size()), f.frames);
        WriteFileBytes("movie.ogv", bytes);
        file_ = FileAccessOpen("movie.ogv", 0, 1, 0);
        ASSERT_NE(file_, 0);
        movie_ = OpenTheoraMovie(GetFileAccessTable(), file_, 10);
        ASSERT_NE(movie_, nullptr);
    }
    void TearDown() override {
        if (movie_ != nullptr) CloseTheoraMovie(movie_);
        if (file_ != 0) FileAccessClose(file_);
    }
    // The frame image after fetching the current frame equals the reference's frame.
    void ExpectCurrentFrame(const char* what) {
        const int current = GetTheoraCurrentFrame(movie_);
        FetchTheoraFrame(movie_, 1);
        const MovieFrameImage* image = GetTheoraFrameImage(movie_);
        ASSERT_EQ(image->width, reference_.width);
        ASSERT_EQ(image->height, reference_.height);
        const std::vector<std::uint8_t>& expected = reference_.frames[current];
        for (int row = 0; row < image->height; ++row) {
            ASSERT_EQ(0, std::memcmp(image->pixels + row * image->pitch, expected.data() + row * image->width * 4,
                                     static_cast<std::size_t>(image->width) * 4))
                << what << ": frame " << current << " row " << row;
        }
    }
    ScopedTempDir dir_;
    FileHandle file_ = 0;
    TheoraMovie* movie_ = nullptr;
    ReferenceFrames reference_;
};

TEST_F(TheoraFrames, StepByStepThroughTwoLoops) {
    OpenFixture(CroppedFixture(30));
    ExpectCurrentFrame("open");
    for (int step = 1; step <= 65; ++step) {
        AdvanceTheoraFrames(movie_, 1);
        EXPECT_EQ(GetTheoraCurrentFrame(movie_), step % 30);
        ExpectCurrentFrame("step");
    }
}

TEST_F(TheoraFrames, JumpsAndSeeksShowTheirFrames) {
    OpenFixture(CroppedFixture(40));
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        if (round % 3 == 0) {
            const int target = static_cast<int>(random() % 40);
            SeekTheoraFrame(movie_, target);
            EXPECT_EQ(GetTheoraCurrentFrame(movie_), target);
            ExpectCurrentFrame("seek");
        } else {
            AdvanceTheoraFrames(movie_, 1 + static_cast<int>(random() % 25));
            ExpectCurrentFrame("jump");
        }
    }
    // Seeks beyond either end land on the first and the last frame.
    SeekTheoraFrame(movie_, 500);
    EXPECT_EQ(GetTheoraCurrentFrame(movie_), 39);
    ExpectCurrentFrame("beyond the end");
    SeekTheoraFrame(movie_, -7);
    EXPECT_EQ(GetTheoraCurrentFrame(movie_), 0);
    ExpectCurrentFrame("before the start");
}

TEST_F(TheoraFrames, AdvanceWrapsAndIgnoresCountsBelowOne) {
    OpenFixture(CroppedFixture(100));
    SeekTheoraFrame(movie_, 98);
    ExpectCurrentFrame("seek 98");
    AdvanceTheoraFrames(movie_, 5);
    EXPECT_EQ(GetTheoraCurrentFrame(movie_), 3);
    ExpectCurrentFrame("wrapped");
    // Nothing is due again for the same frame, and a count below 1 changes nothing.
    EXPECT_EQ(FetchTheoraFrame(movie_, 1), 0);
    AdvanceTheoraFrames(movie_, 0);
    AdvanceTheoraFrames(movie_, -4);
    EXPECT_EQ(GetTheoraCurrentFrame(movie_), 3);
    EXPECT_EQ(FetchTheoraFrame(movie_, 1), 0);
}

TEST_F(TheoraFrames, UncroppedFourTwoTwoAndFourFourFourFrames) {
    for (int format : {2, 3}) {
        TheoraFixture f;
        f.pixel_format = format;
        f.frames = 12;
        OpenFixture(f);
        for (int k = 0; k < 12; ++k) {
            ExpectCurrentFrame(format == 2 ? "4:2:2" : "4:4:4");
            AdvanceTheoraFrames(movie_, 1);
        }
        CloseTheoraMovie(movie_);
        movie_ = nullptr;
        FileAccessClose(file_);
        file_ = 0;
    }
}

}  // namespace
