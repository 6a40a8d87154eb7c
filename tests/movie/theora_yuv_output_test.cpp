// The YUV side of the Theora frame output, on a DirectDraw object of the test's own
// (tests/movie/fake_yuv_display.h): which FourCC the surface gets, that the opener writes
// the first frame, that each form is written once per frame and only when asked, the three
// lock tries with the surface made anew after each, and frames that are not 4:2:0. What a
// surface holds is read back through the layout of its FourCC and converted with the
// fixed-point formula: it must give the reference decode's pixels exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "engine/movie/yuv_to_rgb.h"
#include "tests/movie/fake_yuv_display.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

using movie_test::FakeYuvDisplay;
using movie_test::FakeYuvSurface;

FakeYuvDisplay* g_display = nullptr;
IDirectDraw7* TestDirectDrawObject() { return g_display; }
const DDPIXELFORMAT* NoOverlayFormat() { return nullptr; }
int DesktopBits() { return 32; }
IDirectDrawSurface7* NoFront() { return nullptr; }
std::uint32_t* NoCaps(std::uint32_t* buffer) { return buffer; }
std::uint64_t NoFlips() { return 0; }
constexpr MovieDisplayHooks kTestDisplay = {TestDirectDrawObject, NoOverlayFormat, DesktopBits, NoFront, NoCaps, NoFlips};

// The picture (x0, y0, width x height) of a coded frame of `coded_width` x `coded_height`
// read back from a surface in its FourCC's layout, as pixels blue, green, red, 255.
std::vector<std::uint8_t> SurfacePictureAsRgb(const FakeYuvSurface& s, int coded_height, int x0, int y0, int width,
                                              int height) {
    const YuvToRgbTables& t = kYuvToRgbTables;
    const std::uint8_t* m = s.memory.data();
    const int p = s.pitch();
    std::vector<std::uint8_t> rgb;
    for (int row = y0; row < y0 + height; ++row) {
        for (int col = x0; col < x0 + width; ++col) {
            int y = 0, cb = 0, cr = 0;
            const std::uint8_t* pair = m + row * p + (col / 2) * 4;
            if (s.fourcc() == kFourCcYv12) {
                const std::uint8_t* cr_rows = m + p * coded_height;
                const std::uint8_t* cb_rows = cr_rows + (p / 2) * (coded_height / 2);
                y = m[row * p + col];
                cr = cr_rows[(row / 2) * (p / 2) + col / 2];
                cb = cb_rows[(row / 2) * (p / 2) + col / 2];
            } else if (s.fourcc() == kFourCcYuy2) {
                y = pair[(col & 1) ? 2 : 0], cb = pair[1], cr = pair[3];
            } else {
                y = pair[(col & 1) ? 3 : 1], cb = pair[0], cr = pair[2];
            }
            const int l = t.luma[y];
            rgb.push_back(t.clamp[(l + t.cb_to_blue[cb]) / 16384 + 512]);
            rgb.push_back(t.clamp[(l + t.cb_to_green[cb] + t.cr_to_green[cr]) / 16384 + 512]);
            rgb.push_back(t.clamp[(l + t.cr_to_red[cr]) / 16384 + 512]);
            rgb.push_back(255);
        }
    }
    return rgb;
}

class TheoraYuvOutput : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
        g_display = &display_;
        InstallMovieDisplayHooks(&kTestDisplay);
    }
    void TearDown() override {
        Close();
        InstallMovieDisplayHooks(nullptr);
        g_display = nullptr;
    }
    void Open(const TheoraFixture& f) {
        const std::vector<std::uint8_t> bytes = MakeTheoraFile(f);
        reference_ = DecodeTheoraReference(bytes);
        WriteFileBytes("movie.ogv", bytes);
        file_ = FileAccessOpen("movie.ogv", 0, 1, 0);
        ASSERT_NE(file_, 0);
        movie_ = OpenTheoraMovie(GetFileAccessTable(), file_, 10);
        ASSERT_NE(movie_, nullptr);
    }
    void Close() {
        if (movie_ != nullptr) CloseTheoraMovie(movie_);
        if (file_ != 0) FileAccessClose(file_);
        movie_ = nullptr;
        file_ = 0;
    }
    // The movie's YUV surface shows reference frame k in its picture rectangle.
    void ExpectSurfaceFrame(int k) {
        ASSERT_NE(movie_->yuv_surface, nullptr);
        ASSERT_EQ(movie_->yuv_surface, display_.newest());
        const TheoraFixture f = CroppedTheoraFixture(1);
        EXPECT_EQ(SurfacePictureAsRgb(*display_.newest(), f.coded_height, f.picture_x, f.picture_y, f.picture_width,
                                      f.picture_height),
                  reference_.frames[static_cast<std::size_t>(k)])
            << "frame " << k;
    }
    bool FrameImageIs(int k) {
        const MovieFrameImage* image = GetTheoraFrameImage(movie_);
        return std::memcmp(image->pixels, reference_.frames[static_cast<std::size_t>(k)].data(),
                           reference_.frames[static_cast<std::size_t>(k)].size()) == 0;
    }

    // The movie files are written in a folder of the test's own: test programs run side by
    // side in one working folder.
    ScopedTempDir dir_;
    FakeYuvDisplay display_;
    ReferenceFrames reference_;
    FileHandle file_ = 0;
    TheoraMovie* movie_ = nullptr;
};

TEST_F(TheoraYuvOutput, TheSurfaceTakesTheFirstFourCcTheDisplayTakes) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> accepted;
        std::vector<std::uint32_t> tried;
        std::uint32_t fourcc;
    };
    const Case cases[] = {
        {"all three", {kFourCcUyvy, kFourCcYuy2, kFourCcYv12}, {kFourCcYv12}, kFourCcYv12},
        {"packed ones", {kFourCcUyvy, kFourCcYuy2}, {kFourCcYv12, kFourCcYuy2}, kFourCcYuy2},
        {"UYVY only", {kFourCcUyvy}, {kFourCcYv12, kFourCcYuy2, kFourCcUyvy}, kFourCcUyvy},
        {"none", {}, {kFourCcYv12, kFourCcYuy2, kFourCcUyvy}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display_ = FakeYuvDisplay{};
        display_.accepted = c.accepted;
        Open(CroppedTheoraFixture(4));
        std::vector<std::uint32_t> tried;
        for (const FakeYuvDisplay::Creation& k : display_.creations) {
            tried.push_back(k.fourcc);
            // A video-memory surface of the coded size in the FourCC.
            EXPECT_EQ(k.flags, 0x1007u);
            EXPECT_EQ(k.pixel_flags, 4u);
            EXPECT_EQ(k.caps, 0x4000u);
            EXPECT_EQ(k.width, 48u);
            EXPECT_EQ(k.height, 32u);
        }
        EXPECT_EQ(tried, c.tried);
        EXPECT_EQ(movie_->yuv_fourcc, c.fourcc);
        EXPECT_EQ(GetTheoraYuvSurface(movie_) != nullptr, c.fourcc != 0);
        EXPECT_EQ(display_.live, c.fourcc != 0 ? 1 : 0);
        Close();
        // Closing releases it.
        EXPECT_EQ(display_.live, 0);
    }
    // Without a DirectDraw object nothing is asked for.
    display_ = FakeYuvDisplay{};
    display_.accepted = {kFourCcYv12};
    InstallMovieDisplayHooks(nullptr);
    Open(CroppedTheoraFixture(4));
    EXPECT_TRUE(display_.creations.empty());
    EXPECT_EQ(GetTheoraYuvSurface(movie_), nullptr);
    EXPECT_EQ(movie_->yuv_fourcc, 0u);
}

class TheoraYuvOutputPerFourCc : public TheoraYuvOutput, public ::testing::WithParamInterface<std::uint32_t> {};

// The opener writes frame 0 in both forms; after that each form is written when asked,
// once per frame: a seek and an advance make both due again.
TEST_P(TheoraYuvOutputPerFourCc, EachFormIsWrittenOnceAFrameWhenAsked) {
    display_.accepted = {GetParam()};
    Open(CroppedTheoraFixture(12));
    EXPECT_EQ(movie_->yuv_fourcc, GetParam());
    EXPECT_EQ(display_.lock_flags, std::vector<DWORD>{DDLOCK_WRITEONLY});
    EXPECT_EQ(display_.locks_with_rect, 0);
    EXPECT_EQ(movie_->yuv_done, 1);
    EXPECT_EQ(movie_->rgb_done, 1);
    ExpectSurfaceFrame(0);
    EXPECT_TRUE(FrameImageIs(0));
    // Nothing is due for the same frame, whatever is asked.
    for (const auto& [rgb, yuv] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}, std::pair{0, 0}}) {
        EXPECT_EQ(FetchTheoraFrame(movie_, rgb, yuv), 0) << rgb << yuv;
    }
    EXPECT_EQ(display_.lock_flags.size(), 1u);

    AdvanceTheoraFrames(movie_, 3);
    EXPECT_EQ(movie_->yuv_done, 0);
    EXPECT_EQ(movie_->rgb_done, 0);
    EXPECT_EQ(FetchTheoraFrame(movie_, 0, 1), 1);
    EXPECT_EQ(display_.lock_flags.size(), 2u);
    ExpectSurfaceFrame(3);
    // The frame image was not asked for and still holds frame 0.
    EXPECT_TRUE(FrameImageIs(0));
    EXPECT_EQ(movie_->rgb_done, 0);
    EXPECT_EQ(FetchTheoraFrame(movie_, 0, 1), 0);
    EXPECT_EQ(FetchTheoraFrame(movie_, 1, 1), 1);
    EXPECT_TRUE(FrameImageIs(3));
    EXPECT_EQ(display_.lock_flags.size(), 2u);

    SeekTheoraFrame(movie_, 9);
    EXPECT_EQ(movie_->yuv_done, 0);
    EXPECT_EQ(FetchTheoraFrame(movie_, 1, 1), 1);
    EXPECT_EQ(display_.lock_flags.size(), 3u);
    ExpectSurfaceFrame(9);
    EXPECT_TRUE(FrameImageIs(9));
}

std::string FourCcName(const ::testing::TestParamInfo<std::uint32_t>& info) {
    const std::uint32_t f = info.param;
    const char name[5] = {static_cast<char>(f), static_cast<char>(f >> 8), static_cast<char>(f >> 16),
                          static_cast<char>(f >> 24), 0};
    return name;
}
INSTANTIATE_TEST_SUITE_P(FourCc, TheoraYuvOutputPerFourCc, ::testing::Values(kFourCcYv12, kFourCcYuy2, kFourCcUyvy),
                         FourCcName);

// A lock is tried three times, the surface made anew after each failure; after three
// failures the frame is not written and the next fetch tries again.
TEST_F(TheoraYuvOutput, AFrameIsSkippedAfterThreeFailedLocks) {
    struct Case {
        int failing;
        int written;          // YUV done after the fetch
        std::size_t remade;   // surfaces made anew by the fetch
    };
    for (const Case& c : {Case{1, 1, 1}, Case{2, 1, 2}, Case{3, 0, 3}}) {
        SCOPED_TRACE(c.failing);
        display_ = FakeYuvDisplay{};
        display_.accepted = {kFourCcYuy2};
        Open(CroppedTheoraFixture(12));
        const std::size_t made = display_.surfaces.size();
        AdvanceTheoraFrames(movie_, 2);
        display_.failing_locks = c.failing;
        EXPECT_EQ(FetchTheoraFrame(movie_, 0, 1), 1);
        EXPECT_EQ(display_.lock_flags.size(), 1u + std::min(c.failing + 1, 3));
        EXPECT_EQ(display_.surfaces.size() - made, c.remade);
        EXPECT_EQ(movie_->yuv_done, c.written);
        EXPECT_EQ(display_.live, 1);
        if (c.written == 0) {
            // The new surface holds nothing written yet; the next fetch writes it.
            EXPECT_EQ(display_.newest()->memory, std::vector<std::uint8_t>(display_.newest()->memory.size(), 0xEE));
            EXPECT_EQ(movie_->yuv_pending, 0);
            EXPECT_EQ(FetchTheoraFrame(movie_, 0, 1), 1);
            EXPECT_EQ(movie_->yuv_done, 1);
        }
        ExpectSurfaceFrame(2);
        Close();
    }
}

// Frames whose chroma is not half the luma both ways leave the surface as it was; the
// frame counts as written all the same, and the RGB form is converted as usual.
TEST_F(TheoraYuvOutput, FramesThatAreNot420LeaveTheSurfaceAsItWas) {
    for (const int format : {2, 3}) {
        SCOPED_TRACE(format);
        display_ = FakeYuvDisplay{};
        display_.accepted = {kFourCcYv12};
        TheoraFixture f = CroppedTheoraFixture(6);
        f.pixel_format = format;
        Open(f);
        EXPECT_EQ(display_.lock_flags.size(), 1u);
        EXPECT_EQ(movie_->yuv_done, 1);
        EXPECT_EQ(movie_->yuv_pending, 0);
        EXPECT_EQ(display_.newest()->memory, std::vector<std::uint8_t>(display_.newest()->memory.size(), 0xEE));
        AdvanceTheoraFrames(movie_, 1);
        EXPECT_EQ(FetchTheoraFrame(movie_, 1, 1), 1);
        EXPECT_EQ(display_.newest()->memory, std::vector<std::uint8_t>(display_.newest()->memory.size(), 0xEE));
        EXPECT_TRUE(FrameImageIs(1));
        Close();
    }
}

}  // namespace
