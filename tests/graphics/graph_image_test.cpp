// Image records: blank images and their pitches, mirror, clear, single pixels, and the
// DIB header-and-bits bridge; every block made is freed again.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/images/graph_image.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

class GraphImageTest : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override { EXPECT_EQ(TrackedLiveBlockCount(), live_); }
    std::int32_t live_ = 0;
};

TEST_F(GraphImageTest, BlankImagesRoundPitchToFour) {
    GraphImage image{};
    ASSERT_EQ(CreateRgb24GraphImage(5, 2, &image), 0);
    EXPECT_EQ(image.pitch, 16);
    EXPECT_EQ(image.format.bytes_per_pixel, 3);
    FreeGraphImage(&image);
    ASSERT_EQ(CreateXrgb32GraphImage(3, 1, &image), 0);
    EXPECT_EQ(image.pitch, 12);
    EXPECT_EQ(image.format.unused_mask, 0xFF000000u);
    FreeGraphImage(&image);

    image.format.unused_shift = 5;
    image.format.unused_width = 6;
    ASSERT_EQ(CreateArgb32GraphImage(2, 2, &image), 0);
    EXPECT_EQ(image.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(image.format.unused_shift, 5);
    EXPECT_EQ(image.format.unused_width, 6);
    FreeGraphImage(&image);
    const GraphImage zero{};
    EXPECT_EQ(std::memcmp(&image, &zero, sizeof image), 0);

    EXPECT_EQ(CreateXrgb32GraphImage(-1, 4, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(CreateXrgb32GraphImage(0x40000000, 0x40000000, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(GraphImageTest, MirrorSwapsWholePixels) {
    for (int bytes = 1; bytes <= 4; ++bytes) {
        GraphImage image{};
        BuildColorFormat(&image.format, bytes * 8, 0, 0, 0, 0);
        image.width = 5;
        image.height = 2;
        image.pitch = 5 * bytes + 3;
        std::vector<unsigned char> px(static_cast<std::size_t>(image.pitch) * 2);
        for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i);
        const std::vector<unsigned char> before = px;
        image.pixels = px.data();
        ASSERT_EQ(MirrorGraphImage(&image), 0);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 5; ++x) {
                for (int b = 0; b < bytes; ++b) {
                    EXPECT_EQ(px[y * image.pitch + x * bytes + b], before[y * image.pitch + (4 - x) * bytes + b]);
                }
            }
            for (int pad = 5 * bytes; pad < image.pitch; ++pad) EXPECT_EQ(px[y * image.pitch + pad], before[y * image.pitch + pad]);
        }
    }
    GraphImage empty{};
    EXPECT_EQ(MirrorGraphImage(&empty), -1);
}

TEST_F(GraphImageTest, ClearAndPixels) {
    GraphImage image{};
    ASSERT_EQ(CreateXrgb32GraphImage(3, 2, &image), 0);
    ClearGraphImage(&image, 1, 2, 3, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<std::uint32_t*>(image.pixels)[i], 0xFF010203u);
    EXPECT_EQ(SetGraphImagePixel(&image, 3, 0, 9, 9, 9, 9), -1);
    EXPECT_EQ(SetGraphImagePixel(&image, static_cast<std::uint32_t>(-1), 0, 9, 9, 9, 9), -1);
    EXPECT_EQ(SetGraphImagePixel(&image, 2, 1, 0x10, 0x20, 0x30, 0), 0);
    std::uint32_t r, g, b, a;
    EXPECT_EQ(GetGraphImagePixelRGBA(&image, 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, 0x10u);
    EXPECT_EQ(b, 0x30u);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(GetGraphImagePixelRGBA(&image, 0, 2, &r, &g, &b, &a), -1);
    FreeGraphImage(&image);

    // Palette images: clear changes nothing; pixels are indices; reads give the entry.
    unsigned char idx[4] = {1, 2, 3, 4};
    GraphImage pal{};
    SetGrey8ColorFormat(&pal.format);
    pal.format.palette[7] = {0x30, 0x20, 0x10, 0x99};
    pal.width = 4;
    pal.height = 1;
    pal.pitch = 4;
    pal.pixels = idx;
    EXPECT_EQ(ClearGraphImage(&pal, 9, 9, 9, 9), 0);
    EXPECT_EQ(idx[0], 1);
    EXPECT_EQ(SetGraphImagePixel(&pal, 1, 0, 0x10, 0x20, 0x30, 0), 0);
    EXPECT_EQ(idx[1], 7);
    EXPECT_EQ(GetGraphImagePixelRGBA(&pal, 1, 0, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, 0x10u);
    EXPECT_EQ(g, 0x20u);
    EXPECT_EQ(b, 0x30u);
    EXPECT_EQ(a, 0x99u);

    // 16-bit: the pixel splits through the format.
    std::uint16_t w[1] = {0xF800};
    GraphImage r565{};
    BuildColorFormat(&r565.format, 16, 0xF800, 0x07E0, 0x001F, 0);
    r565.width = r565.height = 1;
    r565.pitch = 2;
    r565.pixels = w;
    EXPECT_EQ(GetGraphImagePixelRGBA(&r565, 0, 0, &r, &g, nullptr, &a), 0);
    EXPECT_EQ(r, 255u);
    EXPECT_EQ(g, 0u);
    EXPECT_EQ(a, 0u);
    // 24-bit clear writes three bytes per pixel and leaves the padding.
    GraphImage rgb{};
    ASSERT_EQ(CreateRgb24GraphImage(1, 1, &rgb), 0);
    std::memset(rgb.pixels, 0xEE, 4);
    ClearGraphImage(&rgb, 1, 2, 3, 0);
    const auto* p = static_cast<unsigned char*>(rgb.pixels);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(p[3], 0xEE);
    FreeGraphImage(&rgb);
}

struct InfoBlock {
    alignas(8) unsigned char bytes[kDibInfoBlockBytes];
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(bytes); }
};

TEST_F(GraphImageTest, DibOfPaletteImage) {
    std::vector<unsigned char> px(8 * 2, 5);
    GraphImage image{};
    SetGrey8ColorFormat(&image.format);
    image.width = 8;
    image.height = 2;
    image.pitch = 8;
    image.pixels = px.data();
    InfoBlock block;
    void* bits = nullptr;
    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 0, 0), 0);
    EXPECT_EQ(bits, px.data());
    EXPECT_EQ(block.info()->bmiHeader.biBitCount, 8);
    EXPECT_EQ(block.info()->bmiHeader.biHeight, -2);
    EXPECT_EQ(block.bytes[40 + 4 * 9], 9);  // the grey palette as the colour table

    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 1, 0), 1);
    ASSERT_NE(bits, nullptr);
    EXPECT_NE(bits, px.data());
    TrackedFree(bits);

    image.width = 6;
    image.pitch = 6;
    for (int i = 0; i < 12; ++i) px[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 0, 0), 1);
    const auto* out = static_cast<unsigned char*>(bits);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[5], 5);
    EXPECT_EQ(out[8], 6);
    EXPECT_EQ(out[13], 11);
    TrackedFree(bits);

    // Forced true colour: the palette colours in a 24-bit block.
    image.format.palette[3] = {0x30, 0x20, 0x10, 0};
    px[0] = 3;
    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 0, 1), 1);
    EXPECT_EQ(block.info()->bmiHeader.biBitCount, 24);
    const auto* rgb = static_cast<unsigned char*>(bits);
    EXPECT_EQ(rgb[0], 0x30);
    EXPECT_EQ(rgb[1], 0x20);
    EXPECT_EQ(rgb[2], 0x10);
    EXPECT_EQ(rgb[20], 6);  // row 1 (20 bytes apart) starts with index 6 of the grey palette
    TrackedFree(bits);
}

TEST_F(GraphImageTest, DibOfTrueColourImage) {
    GraphImage image{};
    ASSERT_EQ(CreateXrgb32GraphImage(2, 1, &image), 0);
    static_cast<std::uint32_t*>(image.pixels)[0] = 0x00112233;
    static_cast<std::uint32_t*>(image.pixels)[1] = 0x00445566;
    InfoBlock block;
    void* bits = nullptr;
    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 0, 0), 1);
    EXPECT_EQ(block.info()->bmiHeader.biBitCount, 24);
    const auto* out = static_cast<unsigned char*>(bits);
    const unsigned char expected[6] = {0x33, 0x22, 0x11, 0x66, 0x55, 0x44};
    EXPECT_EQ(std::memcmp(out, expected, 6), 0);
    TrackedFree(bits);
    FreeGraphImage(&image);

    ASSERT_EQ(CreateRgb24GraphImage(4, 1, &image), 0);  // pitch 12 = DIB row bytes
    EXPECT_EQ(ConvertGraphImageToDIB(&image, block.info(), &bits, 0, 0), 0);
    EXPECT_EQ(bits, image.pixels);
    FreeGraphImage(&image);
}

TEST(ColorFormat, GetGraphImagePixel) {
    GraphImage image{};
    EXPECT_EQ(GetGraphImagePixel(&image, 0, 0), 0u);

    std::uint32_t words[2] = {0xAB123456u, 0x00FFFFFFu};
    SetXrgb32ColorFormat(&image.format);
    image.width = 2;
    image.height = 1;
    image.pitch = 8;
    image.pixels = words;
    EXPECT_EQ(GetGraphImagePixel(&image, 0, 0), 0x00123456u);
    SetArgb32ColorFormat(&image.format);
    EXPECT_EQ(GetGraphImagePixel(&image, 0, 0), 0xAB123456u);

    std::uint16_t r565[2] = {0xF81F, 0x07E0};
    BuildColorFormat(&image.format, 16, 0xF800, 0x07E0, 0x001F, 0);
    image.pixels = r565;
    EXPECT_EQ(GetGraphImagePixel(&image, 0, 0), 0x00F800F8u);
    EXPECT_EQ(GetGraphImagePixel(&image, 1, 0), 0x0000FC00u);

    unsigned char rgb[6] = {1, 2, 3, 4, 5, 6};
    SetRgb24ColorFormat(&image.format);
    image.pixels = rgb;
    EXPECT_EQ(GetGraphImagePixel(&image, 1, 0), 0x00060504u);

    unsigned char index[2] = {0, 200};
    SetGrey8ColorFormat(&image.format);
    image.pixels = index;
    EXPECT_EQ(GetGraphImagePixel(&image, 1, 0), 0x00C8C8C8u);
}

}  // namespace
