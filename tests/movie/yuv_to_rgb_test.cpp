// The YCbCr to RGB tables: the documented spot values, the table entries against their
// formula, and the vector kernel against the table kernel on random rows and frames.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/movie/movie.h"
#include "engine/movie/yuv_to_rgb.h"

namespace {

struct Spot {
    int y;
    int expected;
};

TEST(YuvToRgb, GreyValuesTruncateEveryDivision) {
    InitYuvToRgbTables();
    const Spot spots[] = {{16, 0}, {126, 128}, {235, 254}, {255, 255}, {0, 0}};
    for (const Spot& s : spots) {
        for (int kind = 0; kind < kYuvKernelCount; ++kind) {
            std::vector<std::uint8_t> y(8, static_cast<std::uint8_t>(s.y)), c(4, 128), out(32);
            kYuvRowKernels[kind](kYuvToRgbTables, YuvRowArgs{y.data(), c.data(), c.data(), 0, 8, out.data()});
            for (int i = 0; i < 8; ++i) {
                EXPECT_EQ(out[i * 4 + 0], s.expected) << "Y " << s.y << " kernel " << kind;
                EXPECT_EQ(out[i * 4 + 1], s.expected) << "Y " << s.y << " kernel " << kind;
                EXPECT_EQ(out[i * 4 + 2], s.expected) << "Y " << s.y << " kernel " << kind;
                EXPECT_EQ(out[i * 4 + 3], 255);
            }
        }
    }
}

TEST(YuvToRgb, TablesHoldTheirFormulas) {
    InitYuvToRgbTables();
    const YuvToRgbTables& t = kYuvToRgbTables;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(t.cr_to_red[i], 26148 * (i - 128));
        EXPECT_EQ(t.cb_to_green[i], -6406 * (i - 128));
        EXPECT_EQ(t.cr_to_green[i], 1705984 - 13320 * i);
        EXPECT_EQ(t.cb_to_blue[i], 33062 * (i - 128));
        EXPECT_EQ(t.luma[i], 19070 * (i - 16));
    }
    EXPECT_EQ(t.clamp[0], 0);
    EXPECT_EQ(t.clamp[512 + 254], 254);
    EXPECT_EQ(t.clamp[512 + 255], 255);
    EXPECT_EQ(t.clamp[1279], 255);
}

TEST(YuvToRgb, VectorKernelEqualsTableKernelOnRandomRows) {
    InitYuvToRgbTables();
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + static_cast<int>(random() % 67);
        const int x0 = static_cast<int>(random() % 3);
        std::vector<std::uint8_t> y(width), cb(width / 2 + 3), cr(width / 2 + 3);
        for (auto& v : y) v = static_cast<std::uint8_t>(random());
        for (auto& v : cb) v = static_cast<std::uint8_t>(random());
        for (auto& v : cr) v = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> plain(width * 4), vector(width * 4);
        kYuvRowKernels[kYuvKernelTable](kYuvToRgbTables,
                                        YuvRowArgs{y.data(), cb.data(), cr.data(), x0, width, plain.data()});
        kYuvRowKernels[kYuvKernelVector](kYuvToRgbTables,
                                         YuvRowArgs{y.data(), cb.data(), cr.data(), x0, width, vector.data()});
        ASSERT_EQ(plain, vector) << "width " << width << " offset " << x0;
    }
}

// The vector frame path converts two rows per chroma row; the rectangle's odd corners,
// odd heights and short widths must still give the table's bytes.
TEST(YuvToRgb, VectorFrameEqualsTableFrameOnRandomRectangles) {
    InitYuvToRgbTables();
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        const int plane_w = 4 + 2 * static_cast<int>(random() % 40), plane_h = 4 + 2 * static_cast<int>(random() % 12);
        const int x0 = static_cast<int>(random() % 3), y0 = static_cast<int>(random() % 3);
        const int width = 1 + static_cast<int>(random() % (plane_w - x0));
        const int height = 1 + static_cast<int>(random() % (plane_h - y0));
        const int y_stride = plane_w + static_cast<int>(random() % 5), c_stride = plane_w / 2 + static_cast<int>(random() % 3);
        const int pitch = width * 4 + 4 * static_cast<int>(random() % 3);
        std::vector<std::uint8_t> y(y_stride * plane_h), cb(c_stride * plane_h / 2), cr(c_stride * plane_h / 2);
        for (auto& v : y) v = static_cast<std::uint8_t>(random());
        for (auto& v : cb) v = static_cast<std::uint8_t>(random());
        for (auto& v : cr) v = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> plain(pitch * height, 7), vector(pitch * height, 7);
        ConvertYuv420Frame(YuvFrameArgs{y.data(), y_stride, cb.data(), cr.data(), c_stride, x0, y0, width, height,
                                        plain.data(), pitch},
                           kYuvKernelTable);
        ConvertYuv420Frame(YuvFrameArgs{y.data(), y_stride, cb.data(), cr.data(), c_stride, x0, y0, width, height,
                                        vector.data(), pitch},
                           kYuvKernelVector);
        ASSERT_EQ(plain, vector) << width << "x" << height << " at " << x0 << "," << y0;
    }
}

}  // namespace
