// The BMP reader on files built byte by byte: every decoded kind with exact pixels,
// pitch and format, and every header field that could point past the file rejected.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

class BmpReader : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override {
        FreeGraphImage(&image_);
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
    int Read(const BmpSpec& spec) { return ReadImageBytes(ReadBmpImage, MakeBmp(spec), &image_); }
    GraphImage image_{};
    std::int32_t live_ = 0;
};

TEST_F(BmpReader, BottomUp24BitGivesLastRowFirst) {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    // Row stride 12: rows are 9 pixel bytes and 3 padding bytes.
    s.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    ASSERT_EQ(Read(s), 0);
    EXPECT_EQ(image_.pitch, 12);
    EXPECT_EQ(image_.width, 3);
    EXPECT_EQ(image_.height, 2);
    EXPECT_EQ(image_.format.bit_depth, 24);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x0D0C0Bu);
    EXPECT_EQ(PixelValue(image_, 2, 1), 0x090807u);
    FreeGraphImage(&image_);

    s.height = -2;
    ASSERT_EQ(Read(s), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x030201u);
    EXPECT_EQ(PixelValue(image_, 2, 1), 0x131211u);
}

TEST_F(BmpReader, EightBitPaletteHoldsOnlyTheUsedColours) {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.bit_count = 8;
    s.colors_used = 2;
    s.table = {0x00112233, 0x00445566};
    s.pixels = {1, 0, 0xEE, 0xEE};
    ASSERT_EQ(Read(s), 0);
    EXPECT_EQ(image_.format.bytes_per_pixel, 1);
    EXPECT_EQ(image_.pitch, 4);
    EXPECT_EQ(PixelValue(image_, 0, 0), 1u);
    EXPECT_EQ(image_.format.palette[1].red, 0x44);
    EXPECT_EQ(image_.format.palette[1].blue, 0x66);
    EXPECT_EQ(image_.format.palette[0].green, 0x22);
    // The pixel bytes are not read as further palette entries.
    EXPECT_EQ(image_.format.palette[2].red, 0);
    EXPECT_EQ(image_.format.palette[2].blue, 0);
}

TEST_F(BmpReader, FourBitRowsOfOneBytePerPixel) {
    BmpSpec s;
    s.width = 5;
    s.height = 2;
    s.bit_count = 4;
    for (int i = 0; i < 16; ++i) s.table.push_back(static_cast<std::uint32_t>(i * 0x111111));
    s.pixels = {0x01, 0x23, 0x40, 0, 0xFE, 0xDC, 0xB0, 0};  // bottom row first
    ASSERT_EQ(Read(s), 0);
    EXPECT_EQ(image_.pitch, 8);
    const unsigned top[5] = {15, 14, 13, 12, 11};
    const unsigned bottom[5] = {0, 1, 2, 3, 4};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(PixelValue(image_, x, 0), top[x]);
        EXPECT_EQ(PixelValue(image_, x, 1), bottom[x]);
    }
    EXPECT_EQ(image_.format.palette[15].red, 0xFF);
}

TEST_F(BmpReader, RunLength8WithEveryCode) {
    BmpSpec s;
    s.width = 6;
    s.height = 3;
    s.bit_count = 8;
    s.compression = 1;
    s.colors_used = 2;
    s.table = {0, 0x0000FF};
    s.pixels = {
        3, 7,           // three 7s
        0, 3, 1, 2, 3, 0,  // literal 1 2 3, padded
        0, 0,           // end of row 0 (bottom row)
        0, 2, 2, 1,     // delta: two right, one row on
        9, 5,           // run past the row end: cut at the edge
        0, 1,           // end of picture
    };
    ASSERT_EQ(Read(s), 0);
    EXPECT_EQ(image_.pitch, 8);
    const unsigned expected[3][6] = {{0, 0, 5, 5, 5, 5}, {0, 0, 0, 0, 0, 0}, {7, 7, 7, 1, 2, 3}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelValue(image_, x, y), expected[y][x]) << x << "," << y;
}

TEST_F(BmpReader, RunLength4AlternatesNibbles) {
    BmpSpec s;
    s.width = 5;
    s.height = -2;  // top-down
    s.bit_count = 4;
    s.compression = 2;
    s.colors_used = 2;
    s.table = {0, 0xFFFFFF};
    s.pixels = {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1};
    ASSERT_EQ(Read(s), 0);
    const unsigned expected[2][5] = {{1, 2, 1, 2, 1}, {10, 11, 12, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelValue(image_, x, y), expected[y][x]);
}

TEST_F(BmpReader, OtherDepthsBecome24Bit) {
    // 1 bit: bits high first through the two-entry table.
    BmpSpec one;
    one.width = 3;
    one.height = 1;
    one.bit_count = 1;
    one.table = {0x000000, 0x0A0B0C};
    one.pixels = {0xA0, 0, 0, 0};
    ASSERT_EQ(Read(one), 0);
    EXPECT_EQ(image_.format.bit_depth, 24);
    EXPECT_EQ(image_.pitch, 12);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x0A0B0Cu);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0u);
    EXPECT_EQ(PixelValue(image_, 2, 0), 0x0A0B0Cu);
    FreeGraphImage(&image_);

    // 16 bits without masks: 5-5-5, widened with the high bits repeated.
    BmpSpec x555;
    x555.width = 2;
    x555.height = 1;
    x555.bit_count = 16;
    x555.pixels = {0xFF, 0x7F, 0x10, 0x42};  // white; red 16, green 16, blue 16
    ASSERT_EQ(Read(x555), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0x848484u);
    FreeGraphImage(&image_);

    // 32 bits without masks: the fourth byte is ignored.
    BmpSpec x888;
    x888.width = 1;
    x888.height = 1;
    x888.bit_count = 32;
    x888.pixels = {0x30, 0x20, 0x10, 0x99};
    ASSERT_EQ(Read(x888), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x102030u);
}

TEST_F(BmpReader, BitFieldsInEveryHeaderSize) {
    for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(header);
        BmpSpec s;
        s.header_size = header;
        s.width = 2;
        s.height = 1;
        s.bit_count = 16;
        s.compression = 3;
        s.masks[0] = 0xF800;
        s.masks[1] = 0x07E0;
        s.masks[2] = 0x001F;
        s.pixels = {0x1F, 0xF8, 0xE0, 0x07};  // magenta, green
        ASSERT_EQ(Read(s), 0);
        EXPECT_EQ(PixelValue(image_, 0, 0), 0xFF00FFu);
        EXPECT_EQ(PixelValue(image_, 1, 0), 0x00FF00u);
        FreeGraphImage(&image_);
    }
    // A V5 header before a palette: the table follows the full header.
    BmpSpec pal;
    pal.header_size = 124;
    pal.width = 1;
    pal.height = 1;
    pal.bit_count = 8;
    pal.colors_used = 1;
    pal.table = {0x00ABCDEF};
    pal.pixels = {0, 0, 0, 0};
    ASSERT_EQ(Read(pal), 0);
    EXPECT_EQ(image_.format.palette[0].red, 0xAB);
}

TEST_F(BmpReader, BadHeadersAreRejected) {
    BmpSpec good;
    good.width = 2;
    good.height = 2;
    good.pixels = Bytes(16, 0);
    Bytes ba = MakeBmp(good);
    ba[1] = 'A';
    EXPECT_EQ(ReadImageBytes(ReadBmpImage, ba, &image_), -1);
    Bytes far = MakeBmp(good);
    far[10] = 0xE8;  // pixel data offset 1000, past the end of the file
    far[11] = 0x03;
    EXPECT_EQ(ReadImageBytes(ReadBmpImage, far, &image_), -1);
    far[10] = static_cast<unsigned char>(far.size() - 15);  // one byte short of the rows
    far[11] = 0;
    EXPECT_EQ(ReadImageBytes(ReadBmpImage, far, &image_), -1);

    struct Case {
        const char* what;
        BmpSpec spec;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        BmpSpec s = good;
        change(s);
        cases.push_back({what, s});
    };
    add("short pixel data", [](BmpSpec& s) { s.pixels.resize(15); });
    add("zero width", [](BmpSpec& s) { s.width = 0; });
    add("negative width", [](BmpSpec& s) { s.width = -2; });
    add("zero height", [](BmpSpec& s) { s.height = 0; });
    add("smallest height", [](BmpSpec& s) { s.height = INT32_MIN; });
    add("bit count 7", [](BmpSpec& s) { s.bit_count = 7; });
    add("header size 64", [](BmpSpec& s) { s.header_size = 64; });
    add("run-length with 24 bits", [](BmpSpec& s) { s.compression = 1; });
    add("compression 4", [](BmpSpec& s) { s.compression = 4; });
    add("huge width", [](BmpSpec& s) { s.width = 0x7FFFFFFF; });
    add("palette past the end", [](BmpSpec& s) {
        s.bit_count = 8;
        s.colors_used = 0;
        s.pixels.clear();
    });
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.spec), -1) << c.what;
        EXPECT_EQ(image_.pixels, nullptr) << c.what;
        FreeGraphImage(&image_);
    }
}

}  // namespace
