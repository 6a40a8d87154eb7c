// Opening Theora files: what is refused (and how quietly), the counts and sizes read,
// the page index and key-frame table beyond their first 1,000 entries.
#include <gtest/gtest.h>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/peak_memory.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

class TheoraReader : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
    }
    // Opens the bytes as a movie file; the file stays open in `file_`.
    TheoraMovie* Open(const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes("movie.ogv", bytes);
        file_ = FileAccessOpen("movie.ogv", 0, 1, 0);
        EXPECT_NE(file_, 0);
        return OpenTheoraMovie(GetFileAccessTable(), file_, 10);
    }
    void TearDown() override {
        if (file_ != 0) FileAccessClose(file_);
    }
    ScopedTempDir dir_;
    FileHandle file_ = 0;
};

TEST_F(TheoraReader, ReadsCountsRateAndPictureSize) {
    TheoraFixture f;
    f.coded_width = 48;
    f.coded_height = 32;
    f.picture_width = 40;
    f.picture_height = 30;
    f.picture_x = 2;
    f.picture_y = 2;
    f.frames = 13;
    f.fps_numerator = 30000;
    f.fps_denominator = 1001;
    TheoraMovie* movie = Open(MakeTheoraFile(f));
    ASSERT_NE(movie, nullptr);
    TheoraMovieInfo info;
    GetTheoraMovieInfo(movie, &info);
    EXPECT_EQ(info.frame_total, 13);
    EXPECT_DOUBLE_EQ(info.frames_per_second, 30000.0 / 1001.0);
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
    EXPECT_EQ(GetTheoraCurrentFrame(movie), 0);
    CloseTheoraMovie(movie);
}

TEST_F(TheoraReader, NotOggIsRefusedQuietlyWithoutRewinding) {
    TheoraMovie* movie = Open({'R', 'I', 'F', 'F', 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(movie, nullptr);
    EXPECT_EQ(FileAccessTell(file_), 4);
    EXPECT_EQ(ReadTestLogWithoutStamps(), "");
}

TEST_F(TheoraReader, RefusesFilesWithoutAPlayableVideoStream) {
    TheoraFixture f;
    const std::vector<std::uint8_t> full = MakeTheoraFile(f);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"vorbis only", MakeVorbisOnlyFile()},
        {"headers without frames", MakeTheoraHeadersOnly(f)},
        {"cut inside the headers", std::vector<std::uint8_t>(full.begin(), full.begin() + 120)},
        {"cut after the first page", std::vector<std::uint8_t>(full.begin(), full.begin() + 58)},
    };
    for (const Case& c : cases) {
        TheoraMovie* movie = Open(c.bytes);
        EXPECT_EQ(movie, nullptr) << c.name;
        FileAccessClose(file_);
        file_ = 0;
    }
    EXPECT_EQ(ReadTestLogWithoutStamps(), "");
}

// A few hundred bytes whose header claims huge frames would have the decoder, the frame
// image and the stock take gigabytes: such a file is refused, with the memory text, before
// any of that is allocated. Frames of a 4K picture are still taken.
TEST_F(TheoraReader, FramesTooLargeForTheMemoryBoundAreRefusedBeforeAllocating) {
    const std::vector<std::uint8_t> tiny = MakeTheoraFile(TinyTheoraFixture());
    struct Case {
        int width, height;
        bool opens;
    };
    const Case cases[] = {{8192, 8192, false}, {4096, 4096, false}, {3840, 2160, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        StartTestLog();
        ResetPeakResident();
        TheoraMovie* movie = nullptr;
        const std::uint64_t growth = PeakGrowthOf([&] { movie = Open(WithTheoraFrameSize(tiny, c.width, c.height)); });
        if (c.opens) {
            ASSERT_NE(movie, nullptr);
            TheoraMovieInfo info;
            GetTheoraMovieInfo(movie, &info);
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            // The movie's decoding thread reads the file until the movie is closed.
            CloseTheoraMovie(movie);
            FileAccessClose(file_);
            file_ = 0;
            EXPECT_EQ(ReadTestLogWithoutStamps(), "");
            continue;
        }
        FileAccessClose(file_);
        file_ = 0;
        EXPECT_EQ(movie, nullptr);
        EXPECT_LT(growth, 16ull * 1024 * 1024);
        EXPECT_EQ(ReadTestLogWithoutStamps(), "Theora ムービーデコード処理用のメモリ確保に失敗しました\r\n");
    }
}

TEST_F(TheoraReader, IndexAndKeyTableGrowPastTheirFirstThousand) {
    TheoraFixture f;
    f.coded_width = 16;
    f.coded_height = 16;
    f.picture_width = 16;
    f.picture_height = 16;
    f.frames = 1203;
    f.keyframe_interval = 64;
    f.page_per_packet = true;
    const std::vector<std::uint8_t> bytes = MakeTheoraFile(f);
    const ReferenceFrames reference = DecodeTheoraReference(bytes);
    ASSERT_EQ(reference.key_frames.size(), 1203u);
    TheoraMovie* movie = Open(bytes);
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->frame_total, 1203);
    EXPECT_GE(movie->page_count, 1203);
    std::int64_t sum = 0;
    for (int i = 0; i < movie->page_count; ++i) {
        sum += movie->page_index[i].frame_count;
        if (i > 0) {
            EXPECT_GT(movie->page_index[i].first_frame, movie->page_index[i - 1].first_frame - 1);
        }
    }
    EXPECT_EQ(sum, 1203);
    for (int k = 0; k < 1203; ++k) EXPECT_EQ(movie->key_frames[k], reference.key_frames[k]) << k;
    EXPECT_EQ(movie->key_frames[0], 1);
    CloseTheoraMovie(movie);
}

}  // namespace
