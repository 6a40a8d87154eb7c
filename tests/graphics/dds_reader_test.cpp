// The DDS reader: DXT1-DXT5 blocks decoded to exact texels (edge blocks of pictures
// whose sides are not multiples of 4 included), uncompressed layouts from masks and
// from format codes, and every header field that could mislead the reader rejected.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

class DdsReader : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override {
        FreeGraphImage(&image_);
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
    int Read(const DdsSpec& spec) {
        FreeGraphImage(&image_);
        return ReadImageBytes(ReadDdsImage, MakeDds(spec), &image_);
    }
    GraphImage image_{};
    std::int32_t live_ = 0;
};

DdsSpec Compressed(const char* code, std::uint32_t w, std::uint32_t h, Bytes data) {
    DdsSpec s;
    s.pf_flags = 0x4;
    s.four_cc = FourCcCode(code);
    s.width = w;
    s.height = h;
    s.bits = 0;
    s.data = std::move(data);
    return s;
}

Bytes Dxt1Block(std::uint16_t c0, std::uint16_t c1, std::uint32_t indices) {
    Bytes b;
    Put16(b, c0);
    Put16(b, c1);
    Put32(b, indices);
    return b;
}

TEST_F(DdsReader, Dxt1FourAndThreeColourModes) {
    ASSERT_EQ(Read(Compressed("DXT1", 4, 4, Dxt1Block(0xFFFF, 0x0000, 0xAAAAAAAA))), 0);
    EXPECT_EQ(image_.pitch, 16);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PixelValue(image_, i % 4, i / 4), 0xFFAAAAAAu);
    ASSERT_EQ(Read(Compressed("DXT1", 4, 4, Dxt1Block(0x0000, 0xFFFF, 0xFFFFFFFF))), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PixelValue(image_, i % 4, i / 4), 0x007F7F7Fu);
    // Index order: pixel 0 in the lowest bits, rows of four top first.
    ASSERT_EQ(Read(Compressed("DXT1", 4, 4, Dxt1Block(0xF800, 0x001F, 0x00000004))), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xFF0000FFu);
}

TEST_F(DdsReader, PartialEdgeBlocksAreDecoded) {
    // 6 x 6 is stored as 2 x 2 blocks; each block has its own colour.
    Bytes data;
    const std::uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    for (std::uint16_t c : colours) {
        const Bytes b = Dxt1Block(c, 0, 0);
        data.insert(data.end(), b.begin(), b.end());
    }
    ASSERT_EQ(Read(Compressed("DXT1", 6, 6, data)), 0);
    EXPECT_EQ(image_.pitch, 24);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelValue(image_, 5, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelValue(image_, 0, 5), 0xFF0000FFu);
    EXPECT_EQ(PixelValue(image_, 5, 5), 0xFFFFFFFFu);
    // Fewer blocks than the picture needs: rejected.
    data.resize(24);
    EXPECT_EQ(Read(Compressed("DXT1", 6, 6, data)), -1);
}

TEST_F(DdsReader, ExplicitAndInterpolatedAlpha) {
    Bytes dxt3(8, 0xFF);
    const Bytes colour = Dxt1Block(0x1234, 0x5678, 0x9ABCDEF0);
    dxt3.insert(dxt3.end(), colour.begin(), colour.end());
    ASSERT_EQ(Read(Compressed("DXT3", 4, 4, dxt3)), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PixelValue(image_, i % 4, i / 4) >> 24, 255u);

    // DXT5: alpha 0 = 255, alpha 1 = 0, index 1 everywhere (3 bits per texel).
    Bytes dxt5 = {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24};
    dxt5.insert(dxt5.end(), colour.begin(), colour.end());
    ASSERT_EQ(Read(Compressed("DXT5", 4, 4, dxt5)), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PixelValue(image_, i % 4, i / 4) >> 24, 0u);
    // Index 2 with alpha 0 > alpha 1 is (6 a0 + a1) / 7; with a0 <= a1, index 6 is 0 and 7 is 255.
    Bytes interp = {200, 100, 0x92, 0x24, 0x49, 0x92, 0x24, 0x49};
    interp.insert(interp.end(), colour.begin(), colour.end());
    ASSERT_EQ(Read(Compressed("DXT5", 4, 4, interp)), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0) >> 24, (6u * 200 + 100) / 7);
    Bytes ends = {10, 20, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // texel 0 index 6, the rest 7
    ends.insert(ends.end(), colour.begin(), colour.end());
    ASSERT_EQ(Read(Compressed("DXT5", 4, 4, ends)), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelValue(image_, 1, 0) >> 24, 255u);
}

TEST_F(DdsReader, PremultipliedColoursAreRestoredAndZeroAlphaIsSafe) {
    // DXT2: explicit alpha 0x8 (136) for texel 0, 0 for the rest; colour red 0x8800-ish.
    Bytes dxt2 = {0x08, 0, 0, 0, 0, 0, 0, 0};
    const Bytes colour = Dxt1Block(0x4000, 0x4000, 0);  // red 8 of 31 -> 65
    dxt2.insert(dxt2.end(), colour.begin(), colour.end());
    ASSERT_EQ(Read(Compressed("DXT2", 4, 4, dxt2)), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x88000000u | (65u * 255 / 136) << 16);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0x00410000u);  // alpha 0: colour kept as stored
    // A colour above its alpha clamps at 255.
    Bytes dxt4 = {1, 1, 0, 0, 0, 0, 0, 0};
    const Bytes white = Dxt1Block(0xFFFF, 0xFFFF, 0);
    dxt4.insert(dxt4.end(), white.begin(), white.end());
    ASSERT_EQ(Read(Compressed("DXT4", 4, 4, dxt4)), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x01FFFFFFu);
}

TEST_F(DdsReader, UncompressedLayouts) {
    DdsSpec x8;
    x8.width = 2;
    x8.height = 1;
    x8.data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(Read(x8), 0);
    EXPECT_EQ(image_.format.red_mask, 0x00FF0000u);
    EXPECT_EQ(image_.format.alpha_width, 0);
    EXPECT_EQ(image_.pitch, 8);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0x08070605u);

    DdsSpec a8 = x8;
    a8.pf_flags = 0x41;
    a8.masks[3] = 0xFF000000;
    ASSERT_EQ(Read(a8), 0);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);

    // Format code 21 alone, with a padded header pitch.
    DdsSpec code;
    code.pf_flags = 0x4;
    code.four_cc = 21;
    code.bits = 0;
    code.flags |= 0x8;
    code.pitch = 12;
    code.width = 2;
    code.height = 2;
    code.data = Bytes(24, 0);
    code.data[12] = 0x44;
    ASSERT_EQ(Read(code), 0);
    EXPECT_EQ(image_.pitch, 12);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(PixelValue(image_, 0, 1), 0x44u);
    // Without the pitch flag the pitch comes from the format's own bit count.
    code.flags &= ~0x8u;
    code.data.resize(16);
    ASSERT_EQ(Read(code), 0);
    EXPECT_EQ(image_.pitch, 8);

    DdsSpec r565;
    r565.bits = 16;
    r565.masks[0] = 0xF800;
    r565.masks[1] = 0x07E0;
    r565.masks[2] = 0x001F;
    r565.width = 3;
    r565.data = Bytes(6, 0xAB);
    ASSERT_EQ(Read(r565), 0);
    EXPECT_EQ(image_.format.green_width, 6);
    EXPECT_EQ(image_.pitch, 6);
}

TEST_F(DdsReader, BadHeadersAreRejected) {
    DdsSpec good;
    good.width = 2;
    good.height = 2;
    good.data = Bytes(16, 0);
    ASSERT_EQ(Read(good), 0);
    struct Case {
        const char* what;
        DdsSpec spec;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        DdsSpec s = good;
        change(s);
        cases.push_back({what, s});
    };
    add("short data", [](DdsSpec& s) { s.data.resize(15); });
    add("pitch below a row", [](DdsSpec& s) {
        s.flags |= 0x8;
        s.pitch = 4;
    });
    add("bit count 12", [](DdsSpec& s) { s.bits = 12; });
    add("bit count 0", [](DdsSpec& s) { s.bits = 0; });
    add("no masks", [](DdsSpec& s) { s.masks[0] = s.masks[1] = s.masks[2] = 0; });
    add("overlapping masks", [](DdsSpec& s) { s.masks[1] = 0x00FFFF00; });
    add("mask outside the pixel", [](DdsSpec& s) {
        s.bits = 16;
        s.data.resize(8);
    });
    add("unknown code", [](DdsSpec& s) {
        s.pf_flags = 0x4;
        s.four_cc = FourCcCode("ATI2");
    });
    add("code with other flags", [](DdsSpec& s) {
        s.pf_flags = 0x44;
        s.four_cc = 21;
    });
    add("zero width", [](DdsSpec& s) { s.width = 0; });
    add("huge height", [](DdsSpec& s) { s.height = 0x40000000; });
    for (const Case& c : cases) EXPECT_EQ(Read(c.spec), -1) << c.what;
    Bytes not_dds = MakeDds(good);
    not_dds[2] = 'Z';
    EXPECT_EQ(ReadImageBytes(ReadDdsImage, not_dds, &image_), -1);
}

}  // namespace
