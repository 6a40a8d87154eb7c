// The YUV surface writers on plain memory: a 4 x 4 frame with 2 x 2 chroma (planes read
// at strides wider than their rows) into a surface of pitch wider than the layout's row,
// byte for byte in YV12, YUY2 and UYVY; frames that are not 4:2:0 and other FourCCs
// leave the memory as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/movie/theora_movie.h"
#include "engine/movie/yuv_surface_writers.h"

namespace {

constexpr std::uint8_t kUntouched = 0xEE;
constexpr std::uint8_t E = kUntouched;

// Y(r, c) = 0x10 r + c, Cb(r, c) = 0xA0 + 2 r + c, Cr(r, c) = 0xC0 + 2 r + c; the planes'
// rows are padded with 0x77, which must never be written.
struct Frame {
    std::vector<std::uint8_t> y, cb, cr;
    YuvPlanes planes;
    Frame(int y_width, int y_height, int c_width, int c_height) {
        const int y_stride = y_width + 2, c_stride = c_width + 1;
        y.assign(static_cast<std::size_t>(y_stride * y_height), 0x77);
        cb.assign(static_cast<std::size_t>(c_stride * c_height), 0x77);
        cr.assign(static_cast<std::size_t>(c_stride * c_height), 0x77);
        for (int r = 0; r < y_height; ++r) {
            for (int c = 0; c < y_width; ++c) y[static_cast<std::size_t>(r * y_stride + c)] = static_cast<std::uint8_t>(0x10 * r + c);
        }
        for (int r = 0; r < c_height; ++r) {
            for (int c = 0; c < c_width; ++c) {
                cb[static_cast<std::size_t>(r * c_stride + c)] = static_cast<std::uint8_t>(0xA0 + 2 * r + c);
                cr[static_cast<std::size_t>(r * c_stride + c)] = static_cast<std::uint8_t>(0xC0 + 2 * r + c);
            }
        }
        planes = YuvPlanes{y.data(), cb.data(), cr.data(), y_stride, c_stride, y_width, y_height, c_width, c_height};
    }
};

struct WriterCase {
    const char* name;
    std::uint32_t fourcc;
    std::int32_t pitch;
    std::vector<std::uint8_t> expected;  // the whole surface memory after the write
};

const WriterCase kWriterCases[] = {
    // Y rows at the pitch, then Cr and Cb rows at half the pitch.
    {"YV12", kFourCcYv12, 8,
     {0x00, 0x01, 0x02, 0x03, E, E, E, E,  //
      0x10, 0x11, 0x12, 0x13, E, E, E, E,  //
      0x20, 0x21, 0x22, 0x23, E, E, E, E,  //
      0x30, 0x31, 0x32, 0x33, E, E, E, E,  //
      0xC0, 0xC1, E, E,                    //
      0xC2, 0xC3, E, E,                    //
      0xA0, 0xA1, E, E,                    //
      0xA2, 0xA3, E, E}},
    // Rows of 2 x width bytes: Y0 Cb Y1 Cr, each row pair on one chroma row.
    {"YUY2", kFourCcYuy2, 12,
     {0x00, 0xA0, 0x01, 0xC0, 0x02, 0xA1, 0x03, 0xC1, E, E, E, E,  //
      0x10, 0xA0, 0x11, 0xC0, 0x12, 0xA1, 0x13, 0xC1, E, E, E, E,  //
      0x20, 0xA2, 0x21, 0xC2, 0x22, 0xA3, 0x23, 0xC3, E, E, E, E,  //
      0x30, 0xA2, 0x31, 0xC2, 0x32, 0xA3, 0x33, 0xC3, E, E, E, E}},
    // Cb Y0 Cr Y1.
    {"UYVY", kFourCcUyvy, 12,
     {0xA0, 0x00, 0xC0, 0x01, 0xA1, 0x02, 0xC1, 0x03, E, E, E, E,  //
      0xA0, 0x10, 0xC0, 0x11, 0xA1, 0x12, 0xC1, 0x13, E, E, E, E,  //
      0xA2, 0x20, 0xC2, 0x21, 0xA3, 0x22, 0xC3, 0x23, E, E, E, E,  //
      0xA2, 0x30, 0xC2, 0x31, 0xA3, 0x32, 0xC3, 0x33, E, E, E, E}},
};

TEST(YuvSurfaceWriters, A420FrameIsWrittenInEachLayout) {
    const Frame frame(4, 4, 2, 2);
    for (const WriterCase& c : kWriterCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> surface(c.expected.size(), kUntouched);
        EXPECT_TRUE(WriteYuvSurfaceFrame(frame.planes, c.fourcc, surface.data(), c.pitch, 4, 4));
        EXPECT_EQ(surface, c.expected);
    }
}

// Chroma that is not half the luma both ways, and a FourCC none of the three: nothing.
TEST(YuvSurfaceWriters, OtherFramesAndFormatsLeaveTheSurfaceAsItWas) {
    struct Refusal {
        const char* name;
        int c_width, c_height;
        std::uint32_t fourcc;
    };
    const Refusal refusals[] = {
        {"4:2:2 in YV12", 2, 4, kFourCcYv12}, {"4:4:4 in YUY2", 4, 4, kFourCcYuy2},
        {"4:4:4 in UYVY", 4, 4, kFourCcUyvy}, {"4:2:0 in RGB", 2, 2, MakeFourCC('R', 'G', 'B', ' ')},
        {"4:2:0, no FourCC", 2, 2, 0},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        const Frame frame(4, 4, r.c_width, r.c_height);
        std::vector<std::uint8_t> surface(64, kUntouched);
        EXPECT_FALSE(WriteYuvSurfaceFrame(frame.planes, r.fourcc, surface.data(), 12, 4, 4));
        EXPECT_EQ(surface, std::vector<std::uint8_t>(64, kUntouched));
    }
}

}  // namespace
