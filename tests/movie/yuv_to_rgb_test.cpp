// The YCbCr to RGB tables: the documented spot values, the table entries against their
// formula, and the vector kernel against the table kernel on random rows.
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
            kYuvRowKernels[kind](*GetYuvToRgbTables(), YuvRowArgs{y.data(), c.data(), c.data(), 0, 8, out.data()});
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
    const YuvToRgbTables& t = *GetYuvToRgbTables();
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
        kYuvRowKernels[kYuvKernelTable](*GetYuvToRgbTables(),
                                        YuvRowArgs{y.data(), cb.data(), cr.data(), x0, width, plain.data()});
        kYuvRowKernels[kYuvKernelVector](*GetYuvToRgbTables(),
                                         YuvRowArgs{y.data(), cb.data(), cr.data(), x0, width, vector.data()});
        ASSERT_EQ(plain, vector) << "width " << width << " offset " << x0;
    }
}

}  // namespace
