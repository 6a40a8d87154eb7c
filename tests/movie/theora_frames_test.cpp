// Frames of an open Theora movie after open, advance, jump, seek and loop, each against
// an independent decode of the same file; the position rules of advancing.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

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

double SecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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
        FetchTheoraFrame(movie_, 1, 0);
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
    // The frames in the stock, in ascending order, once the thread has stocked `frame` and
    // then found the stock full (a state it reaches only after stocking what it wants).
    std::vector<int> StockOnceSettledWith(int frame) {
        const double deadline = SecondsNow() + 20;
        for (;;) {
            bool stocked = false;
            for (int i = 0; i < movie_->stock_size; ++i) {
                const FrameStockEntry& entry = movie_->stock[i];
                stocked = stocked || (entry.valid.load() != 0 && entry.frame_number.load() == frame);
            }
            if (stocked && movie_->thread_state.load() == kTheoraStockFull) break;
            if (SecondsNow() > deadline) {
                ADD_FAILURE() << "the stock never settled with frame " << frame;
                return {};
            }
            std::this_thread::yield();
        }
        std::vector<int> frames;
        for (int i = 0; i < movie_->stock_size; ++i) {
            if (movie_->stock[i].valid.load() != 0) frames.push_back(movie_->stock[i].frame_number.load());
        }
        std::sort(frames.begin(), frames.end());
        return frames;
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
    EXPECT_EQ(FetchTheoraFrame(movie_, 1, 0), 0);
    AdvanceTheoraFrames(movie_, 0);
    AdvanceTheoraFrames(movie_, -4);
    EXPECT_EQ(GetTheoraCurrentFrame(movie_), 3);
    EXPECT_EQ(FetchTheoraFrame(movie_, 1, 0), 0);
}

// Near the end of a 100-frame movie the stock of 10 reaches round into the next loop: at
// frame 97 it holds 97 to 99 and 0 to 6; moved on to frame 95 (round the end), the frames
// 0 to 5 are still within the 10 after it and stay, frame 6 is not and makes room for 95.
TEST_F(TheoraFrames, TheStockKeepsTheFramesItsWindowWrapsRoundTo) {
    OpenFixture(CroppedFixture(100));
    SeekTheoraFrame(movie_, 97);
    EXPECT_EQ(StockOnceSettledWith(97), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 97, 98, 99}));
    AdvanceTheoraFrames(movie_, 98);
    ASSERT_EQ(GetTheoraCurrentFrame(movie_), 95);
    EXPECT_EQ(StockOnceSettledWith(95), (std::vector<int>{0, 1, 2, 3, 4, 5, 95, 97, 98, 99}));
    ExpectCurrentFrame("round the end");
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
