// A media stream's frame written straight into a surface in the surface's pixel format
// (the overlay surfaces of movies in overlay mode): 16-bit RGB 5:5:5 and 5:6:5, UYVY and
// YUY2. The same frame taken as 32-bit pixels from a second stream of the file is the
// reference: RGB channels keep their high bits exactly; YUV pixels converted back with
// the movie player's own YUV-to-RGB tables land within a small distance of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "platform/ddraw.h"
#include "platform/media_stream.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/packed_yuv_row.h"
#include "tests/movie/surface_stub.h"
#include "tests/support/temp_dir.h"

namespace {

// Memory in a given pixel format behind the surface interface: only Lock and Unlock work.
class MemorySurface final : public movie_test::SurfaceStub {
public:
    MemorySurface(int width, int height, const DDPIXELFORMAT& format)
        : SurfaceStub(E_NOTIMPL), width_(width), height_(height), pitch_(width * 2 + 12), format_(format),
          memory_(static_cast<std::size_t>(pitch_) * height, 0xEE) {}
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* d, DWORD, HANDLE) override {
        if (rect != nullptr || d == nullptr || locked_) return DDERR_INVALIDPARAMS;
        *d = DDSURFACEDESC2{};
        d->dwSize = sizeof(*d);
        d->dwWidth = static_cast<DWORD>(width_);
        d->dwHeight = static_cast<DWORD>(height_);
        d->lPitch = pitch_;
        d->lpSurface = memory_.data();
        d->ddpfPixelFormat = format_;
        locked_ = true;
        ++locks_;
        return DD_OK;
    }

    const std::uint8_t* Row(int y) const { return memory_.data() + static_cast<std::size_t>(y) * pitch_; }
    int locks() const { return locks_; }

private:
    int width_, height_, pitch_;
    DDPIXELFORMAT format_;
    std::vector<std::uint8_t> memory_;
    int locks_ = 0;
};

DDPIXELFORMAT Rgb16(DWORD r, DWORD g, DWORD b) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(f);
    f.dwFlags = DDPF_RGB;
    f.dwRGBBitCount = 16;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    return f;
}
DDPIXELFORMAT FourCC(DWORD code) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(f);
    f.dwFlags = DDPF_FOURCC;
    f.dwFourCC = code;
    return f;
}

constexpr int kWidth = 64, kHeight = 48;

class MediaFrameIntoSurface : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        InitYuvToRgbTables();
        // Frames of a solid colour each (moved a little by lossy coding).
        const std::vector<std::uint8_t> bytes = MakeFfmpegFile("mpeg", "mpeg1video", kWidth, kHeight, 4, 25);
        if (bytes.empty()) GTEST_SKIP() << "no mpeg1video encoder in this build";
        WriteFileBytes("movie.mpg", bytes);
        MediaStreamError error = kMediaStreamOk;
        MediaStream* reference = MediaStreamOpen("movie.mpg", &error);
        ASSERT_NE(reference, nullptr);
        bgra_.resize(static_cast<std::size_t>(kWidth) * kHeight * 4);
        EXPECT_EQ(MediaStreamTakeFrame(reference, bgra_.data(), kWidth * 4), kMediaFrameNew);
        MediaStreamClose(reference);
    }
    // The first frame of a new stream into `surface`.
    void TakeInto(MemorySurface* surface) {
        MediaStreamError error = kMediaStreamOk;
        MediaStream* stream = MediaStreamOpen("movie.mpg", &error);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(MediaStreamTakeFrameIntoSurface(stream, surface), kMediaFrameNew);
        EXPECT_EQ(surface->locks(), 1);
        EXPECT_EQ(MediaStreamTakeFrameIntoSurface(stream, surface), kMediaFrameNotYet);
        EXPECT_EQ(surface->locks(), 1) << "no new frame, no write";
        MediaStreamClose(stream);
    }
    const std::uint8_t* Reference(int x, int y) const {
        return &bgra_[(static_cast<std::size_t>(y) * kWidth + x) * 4];
    }
    ScopedTempDir dir_;
    std::vector<std::uint8_t> bgra_;
};

TEST_F(MediaFrameIntoSurface, SixteenBitRgbKeepsTheHighBitsOfEachChannel) {
    struct Case {
        DDPIXELFORMAT format;
        int red_shift, green_bits, green_shift;
    };
    const Case cases[] = {{Rgb16(0x7C00, 0x03E0, 0x001F), 10, 5, 5}, {Rgb16(0xF800, 0x07E0, 0x001F), 11, 6, 5}};
    for (const Case& c : cases) {
        MemorySurface surface(kWidth, kHeight, c.format);
        TakeInto(&surface);
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* p = Reference(x, y);
                const std::uint32_t want = static_cast<std::uint32_t>(p[2] >> 3) << c.red_shift |
                                           static_cast<std::uint32_t>(p[1] >> (8 - c.green_bits)) << c.green_shift |
                                           static_cast<std::uint32_t>(p[0] >> 3);
                const std::uint32_t got = surface.Row(y)[x * 2] | surface.Row(y)[x * 2 + 1] << 8;
                if (got != want) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "red shift " << c.red_shift;
    }
}

TEST_F(MediaFrameIntoSurface, PackedYuvConvertsBackToTheFrame) {
    for (const bool uyvy : {true, false}) {
        MemorySurface surface(kWidth, kHeight, FourCC(uyvy ? MakeFourCC('U', 'Y', 'V', 'Y') : MakeFourCC('Y', 'U', 'Y', '2')));
        TakeInto(&surface);
        std::vector<std::uint8_t> back(kWidth * 4);
        int worst = 0;
        for (int y = 0; y < kHeight; ++y) {
            movie_test::PackedYuvRowToBgra(surface.Row(y), kWidth, uyvy, back.data());
            for (int x = 0; x < kWidth; ++x) {
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(back[x * 4 + c] - Reference(x, y)[c]));
            }
        }
        // Each pair shares the average of its chroma, and both conversions round: a few
        // steps, far below the distance between the movie's frame colours.
        EXPECT_LE(worst, 4) << (uyvy ? "UYVY" : "YUY2");
    }
}

}  // namespace
