// The BGRA and TGA readers on files built byte by byte: exact pixels, pitch and format,
// orientation, run-length packets, colour maps, and rejection of bad headers.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

class TgaBgraReader : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override {
        FreeGraphImage(&image_);
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
    int Tga(const TgaSpec& spec) {
        FreeGraphImage(&image_);
        return ReadImageBytes(ReadTgaImage, MakeTga(spec), &image_);
    }
    GraphImage image_{};
    std::int32_t live_ = 0;
};

TEST_F(TgaBgraReader, Bgra8And16BitChannels) {
    ASSERT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), &image_), 0);
    EXPECT_EQ(image_.pitch, 8);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(image_.format.bit_depth, 32);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x04030201u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0x08070605u);
    FreeGraphImage(&image_);

    ASSERT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x10101010, 1, 1, {0x11, 0xB0, 0x22, 0xB1, 0x33, 0xB2, 0x44, 0xB3}),
                             &image_),
              0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0xB3B2B1B0u);
}

TEST_F(TgaBgraReader, BgraRejections) {
    EXPECT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x08080800, 1, 1, Bytes(4)), &image_), -1);
    EXPECT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x08080808, 2, 1, Bytes(7)), &image_), -1);
    EXPECT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x10101010, 1, 1, Bytes(7)), &image_), -1);
    // 65,536 x 65,536 x 4 bytes overflows 32 bits: rejected, not wrapped to 0.
    EXPECT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x08080808, 0x10000, 0x10000, Bytes(16)), &image_), -1);
    EXPECT_EQ(ReadImageBytes(ReadBgraImage, MakeBgra(0x08080808, 0, 5, Bytes()), &image_), -1);
    EXPECT_EQ(image_.pixels, nullptr);
}

TEST_F(TgaBgraReader, TrueColourOrientation) {
    TgaSpec s;
    s.width = 2;
    s.height = 2;
    s.descriptor = 0;  // bottom to top
    s.data = {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(image_.pitch, 6);
    EXPECT_EQ(image_.format.bit_depth, 24);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x0D0C0Bu);
    EXPECT_EQ(PixelValue(image_, 1, 1), 0x060504u);
    s.descriptor = 0x20;
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x030201u);
    s.descriptor = 0x30;  // top to bottom, right to left
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x060504u);
    EXPECT_EQ(PixelValue(image_, 1, 1), 0x0D0C0Bu);
}

TEST_F(TgaBgraReader, IdFieldAndUnusedColourMapAreSkipped) {
    TgaSpec s;
    s.width = 1;
    s.height = 1;
    s.pixel_depth = 32;
    s.id = {'h', 'e', 'l', 'l', 'o'};
    s.map_type = 1;
    s.map_length = 3;
    s.map_bits = 24;
    s.map = Bytes(9, 0x77);
    s.data = {0x10, 0x20, 0x30, 0x40};
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x40302010u);
}

TEST_F(TgaBgraReader, RunLengthPacketsCrossRows) {
    TgaSpec s;
    s.type = 10;
    s.width = 3;
    s.height = 2;
    s.pixel_depth = 16;
    // 0x83: one pixel four times (crossing into row 1); 0x01: two raw pixels.
    s.data = {0x83, 0x1F, 0x00, 0x01, 0xE0, 0x03, 0x00, 0x7C};
    s.footer = true;
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(image_.format.bit_depth, 16);
    EXPECT_EQ(image_.format.red_mask, 0x7C00u);
    EXPECT_EQ(image_.format.unused_mask, 0x8000u);
    EXPECT_EQ(image_.pitch, 6);
    const std::uint32_t expected[2][3] = {{0x001F, 0x001F, 0x001F}, {0x001F, 0x03E0, 0x7C00}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelValue(image_, x, y), expected[y][x]);

    // A last packet that runs past the picture is cut; data that ends early is rejected.
    s.data = {0x87, 1, 0};
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(PixelValue(image_, 2, 0), 1u);
    s.data = {0x82, 1, 0};
    EXPECT_EQ(Tga(s), -1);
    s.data = {0x05, 1, 0, 2, 0};
    EXPECT_EQ(Tga(s), -1);
}

TEST_F(TgaBgraReader, ColourMappedPictures) {
    TgaSpec s;
    s.type = 1;
    s.width = 3;
    s.height = 1;
    s.pixel_depth = 8;
    s.map_type = 1;
    s.map_first = 2;
    s.map_length = 2;
    s.map_bits = 16;
    s.map = {0x1F, 0x00, 0x00, 0x7C};  // entries 2 and 3
    s.data = {3, 2, 0};
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(image_.format.bit_depth, 16);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x7C00u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0x001Fu);
    EXPECT_EQ(PixelValue(image_, 2, 0), 0u);

    s.type = 9;
    s.data = {0x82, 2};
    ASSERT_EQ(Tga(s), 0);
    EXPECT_EQ(PixelValue(image_, 2, 0), 0x001Fu);

    s.map_first = 255;  // 255 + 2 entries do not fit the 256-entry map
    EXPECT_EQ(Tga(s), -1);
}

TEST_F(TgaBgraReader, TgaRejections) {
    TgaSpec good;
    good.width = 2;
    good.height = 1;
    good.data = Bytes(6, 9);
    ASSERT_EQ(Tga(good), 0);
    struct Case {
        const char* what;
        TgaSpec spec;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        TgaSpec s = good;
        change(s);
        cases.push_back({what, s});
    };
    add("grey type 3", [](TgaSpec& s) { s.type = 3; });
    add("type 11", [](TgaSpec& s) { s.type = 11; });
    add("x origin", [](TgaSpec& s) { s.x_origin = 1; });
    add("width 8193", [](TgaSpec& s) { s.width = 8193; });
    add("width 0", [](TgaSpec& s) { s.width = 0; });
    add("depth 8 true colour", [](TgaSpec& s) { s.pixel_depth = 8; });
    add("short data", [](TgaSpec& s) { s.data.resize(5); });
    for (const Case& c : cases) EXPECT_EQ(Tga(c.spec), -1) << c.what;

    TgaSpec wide = good;
    wide.width = 8192;
    wide.data = Bytes(8192 * 3, 1);
    EXPECT_EQ(Tga(wide), 0);
}

}  // namespace
