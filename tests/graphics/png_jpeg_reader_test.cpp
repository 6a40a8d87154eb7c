// The PNG and JPEG readers on files made with the libraries' own writers: formats,
// pitches and exact pixels, refused kinds, and error paths that leave nothing allocated.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <string>

#include "engine/core/tracked_alloc.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/peak_memory.h"

namespace {

void PutBig16(Bytes& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v >> 8));
    b.push_back(static_cast<unsigned char>(v));
}

// A progressive JPEG of a few dozen bytes whose frame declares any size: a quantisation
// table of ones, the frame (every component sampled 1x1), a DC table whose one code, '0',
// means "no change", and the first DC scan over all components with some zero bytes. A
// picture it describes is flat mid-grey.
Bytes ProgressiveJpegOfSize(unsigned width, unsigned height, int components) {
    Bytes b = {0xFF, 0xD8};
    b.insert(b.end(), {0xFF, 0xDB, 0x00, 67, 0x00});
    b.insert(b.end(), 64, 1);
    b.insert(b.end(), {0xFF, 0xC2});
    PutBig16(b, 8 + 3 * components);
    b.push_back(8);
    PutBig16(b, height);
    PutBig16(b, width);
    b.push_back(static_cast<unsigned char>(components));
    for (int c = 1; c <= components; ++c) b.insert(b.end(), {static_cast<unsigned char>(c), 0x11, 0x00});
    b.insert(b.end(), {0xFF, 0xC4, 0x00, 20, 0x00, 1});
    b.insert(b.end(), 15, 0);
    b.push_back(0x00);
    b.insert(b.end(), {0xFF, 0xDA});
    PutBig16(b, 6 + 2 * components);
    b.push_back(static_cast<unsigned char>(components));
    for (int c = 1; c <= components; ++c) b.insert(b.end(), {static_cast<unsigned char>(c), 0x00});
    b.insert(b.end(), {0x00, 0x00, 0x00});
    b.insert(b.end(), 16, 0x00);
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

void PutBig32(Bytes& b, std::uint32_t v) {
    PutBig16(b, v >> 16);
    PutBig16(b, v & 0xFFFF);
}

std::uint32_t Crc32(const unsigned char* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The signature, the header of a 1x1 grey picture, then a chunk of the given type that
// declares `declared` bytes of which only `body` follows (no CRC): 44 bytes for a
// three-byte body.
Bytes PngWithShortChunk(const char* type, std::uint32_t declared, const Bytes& body) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutBig32(b, 13);
    const std::size_t header = b.size();
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    PutBig32(b, 1);
    PutBig32(b, 1);
    b.insert(b.end(), {8, 0, 0, 0, 0});
    PutBig32(b, Crc32(b.data() + header, b.size() - header));
    PutBig32(b, declared);
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

class PngJpegReader : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override {
        FreeGraphImage(&image_);
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
    int Png(const PngSpec& spec) {
        FreeGraphImage(&image_);
        return ReadImageBytes(LoadPngImage, MakePng(spec), &image_);
    }
    GraphImage image_{};
    std::int32_t live_ = 0;
};

TEST_F(PngJpegReader, PalettePngKeepsItsIndices) {
    PngSpec s;
    s.width = 5;
    s.height = 1;
    s.bit_depth = 4;
    s.color_type = PNG_COLOR_TYPE_PALETTE;
    for (int i = 0; i < 16; ++i) s.palette.push_back(static_cast<std::uint32_t>(0x010203 * i));
    s.rows = {{0x01, 0x2F, 0xE0}};
    ASSERT_EQ(Png(s), 0);
    EXPECT_EQ(image_.format.bytes_per_pixel, 1);
    EXPECT_EQ(image_.pitch, 5);
    const unsigned expected[5] = {0, 1, 2, 15, 14};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelValue(image_, x, 0), expected[x]);
    EXPECT_EQ(image_.format.palette[15].red, 15);
    EXPECT_EQ(image_.format.palette[15].green, 30);
    EXPECT_EQ(image_.format.palette[15].blue, 45);
    EXPECT_EQ(image_.format.palette[16].red, 0);
    EXPECT_EQ(image_.format.palette[255].blue, 0);
}

TEST_F(PngJpegReader, DeepAndTransparentColour) {
    PngSpec rgb16;
    rgb16.width = 1;
    rgb16.bit_depth = 16;
    rgb16.rows = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}};
    ASSERT_EQ(Png(rgb16), 0);
    EXPECT_EQ(image_.format.bit_depth, 24);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x12569Au);

    PngSpec trns;
    trns.width = 2;
    trns.rows = {{10, 20, 30, 40, 50, 60}};
    trns.trns = {0, 10, 0, 20, 0, 30};
    ASSERT_EQ(Png(trns), 0);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(image_.pitch, 8);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x000A141Eu);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xFF28323Cu);

    PngSpec rgba;
    rgba.width = 1;
    rgba.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.rows = {{1, 2, 3, 4}};
    ASSERT_EQ(Png(rgba), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x04010203u);

    PngSpec pal_trns;
    pal_trns.width = 2;
    pal_trns.color_type = PNG_COLOR_TYPE_PALETTE;
    pal_trns.palette = {0x112233, 0x445566};
    pal_trns.trns = {0x80};
    pal_trns.rows = {{0, 1}};
    ASSERT_EQ(Png(pal_trns), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x80112233u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xFF445566u);
}

TEST_F(PngJpegReader, GreyPictures) {
    PngSpec one;
    one.width = 3;
    one.bit_depth = 1;
    one.color_type = PNG_COLOR_TYPE_GRAY;
    one.rows = {{0xA0}};
    ASSERT_EQ(Png(one), 0);
    EXPECT_EQ(image_.format.bytes_per_pixel, 1);
    EXPECT_EQ(image_.format.palette[200].red, 200);
    EXPECT_EQ(PixelValue(image_, 0, 0), 255u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0u);
    EXPECT_EQ(PixelValue(image_, 2, 0), 255u);

    // Grey with alpha keeps the alpha as alpha.
    PngSpec ga;
    ga.width = 2;
    ga.color_type = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {{0x40, 0x80, 0xC0, 0xFF}};
    ASSERT_EQ(Png(ga), 0);
    EXPECT_EQ(image_.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x80404040u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xFFC0C0C0u);

    PngSpec grey_trns;
    grey_trns.width = 2;
    grey_trns.color_type = PNG_COLOR_TYPE_GRAY;
    grey_trns.rows = {{7, 9}};
    grey_trns.trns = {0, 7};
    ASSERT_EQ(Png(grey_trns), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x00070707u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xFF090909u);
}

TEST_F(PngJpegReader, InterlacedPngDecodesWhole) {
    PngSpec s;
    s.width = 9;
    s.height = 9;
    s.interlaced = true;
    for (int y = 0; y < 9; ++y) {
        Bytes row;
        for (int x = 0; x < 9; ++x) {
            row.push_back(static_cast<unsigned char>(x * 20));
            row.push_back(static_cast<unsigned char>(y * 20));
            row.push_back(static_cast<unsigned char>(x + y));
        }
        s.rows.push_back(row);
    }
    ASSERT_EQ(Png(s), 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(PixelValue(image_, x, y),
                      static_cast<std::uint32_t>(x * 20) << 16 | static_cast<std::uint32_t>(y * 20) << 8 |
                          static_cast<std::uint32_t>(x + y));
}

TEST_F(PngJpegReader, DamagedPngFreesEverything) {
    PngSpec s;
    s.width = 40;
    s.height = 40;
    for (int y = 0; y < 40; ++y) {
        Bytes row(120);
        for (int i = 0; i < 120; ++i) row[i] = static_cast<unsigned char>(std::rand());
        s.rows.push_back(row);
    }
    const Bytes whole = MakePng(s);
    // Cut inside the image data: the failure comes after the pixel block exists.
    for (std::size_t cut : {whole.size() - 12, whole.size() / 2, std::size_t{60}, std::size_t{8}, std::size_t{0}}) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(ReadImageBytes(LoadPngImage, part, &image_), -1) << cut;
        EXPECT_EQ(TrackedLiveBlockCount(), live_) << cut;
    }
    EXPECT_EQ(ReadImageBytes(LoadPngImage, Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g', '!', 0, 0}, &image_), -1);
    EXPECT_EQ(ReadImageBytes(LoadJpegImage, whole, &image_), -1);
}

TEST_F(PngJpegReader, JpegColourAndGrey) {
    JpegSpec colour;
    colour.width = 5;
    colour.height = 2;
    for (int i = 0; i < 10; ++i) colour.pixels.insert(colour.pixels.end(), {200, 100, 50});
    ASSERT_EQ(ReadImageBytes(LoadJpegImage, MakeJpeg(colour), &image_), 0);
    EXPECT_EQ(image_.pitch, 15);
    EXPECT_EQ(image_.format.bit_depth, 24);
    for (int i = 0; i < 10; ++i) {
        EXPECT_NEAR(PixelByte(image_, i % 5, i / 5, 2), 200, 2);
        EXPECT_NEAR(PixelByte(image_, i % 5, i / 5, 1), 100, 2);
        EXPECT_NEAR(PixelByte(image_, i % 5, i / 5, 0), 50, 2);
    }
    FreeGraphImage(&image_);

    JpegSpec grey;
    grey.width = 3;
    grey.height = 3;
    grey.components = 1;
    grey.pixels = Bytes(9, 77);
    ASSERT_EQ(ReadImageBytes(LoadJpegImage, MakeJpeg(grey), &image_), 0);
    EXPECT_EQ(image_.format.bytes_per_pixel, 1);
    EXPECT_EQ(image_.format.palette[77].green, 77);
    EXPECT_EQ(image_.pitch, 3);
    EXPECT_EQ(PixelValue(image_, 2, 2), 77u);
}

TEST_F(PngJpegReader, CmykJpegIsRefused) {
    JpegSpec cmyk;
    cmyk.width = 4;
    cmyk.height = 4;
    cmyk.components = 4;
    cmyk.pixels = Bytes(64, 30);
    EXPECT_EQ(ReadImageBytes(LoadJpegImage, MakeJpeg(cmyk), &image_), -1);
    EXPECT_EQ(image_.pixels, nullptr);
}

TEST_F(PngJpegReader, TruncatedJpegEndsWithInsertedMarker) {
    JpegSpec s;
    s.width = 32;
    s.height = 32;
    for (int i = 0; i < 32 * 32; ++i) s.pixels.insert(s.pixels.end(), {static_cast<unsigned char>(i), 90, 180});
    const Bytes whole = MakeJpeg(s);
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 2 / 3));
    ASSERT_EQ(ReadImageBytes(LoadJpegImage, part, &image_), 0);
    EXPECT_EQ(image_.width, 32);
    EXPECT_EQ(image_.height, 32);
    FreeGraphImage(&image_);
    EXPECT_EQ(ReadImageBytes(LoadJpegImage, Bytes{}, &image_), -1);
    EXPECT_EQ(ReadImageBytes(LoadJpegImage, Bytes{0xFF, 0xD8}, &image_), -1);
    EXPECT_EQ(ReadImageBytes(LoadPngImage, whole, &image_), -1);
}

TEST_F(PngJpegReader, ProgressiveJpegDecodes) {
    JpegSpec s;
    s.width = 24;
    s.height = 16;
    s.progressive = true;
    for (int i = 0; i < 24 * 16; ++i) s.pixels.insert(s.pixels.end(), {30, 140, 220});
    const Bytes file = MakeJpeg(s);
    ASSERT_EQ((Bytes{file[0], file[1]}), (Bytes{0xFF, 0xD8}));
    ASSERT_EQ(ReadImageBytes(LoadJpegImage, file, &image_), 0);
    EXPECT_EQ(image_.width, 24);
    EXPECT_EQ(image_.height, 16);
    for (int i = 0; i < 24 * 16; ++i) {
        EXPECT_NEAR(PixelByte(image_, i % 24, i / 24, 2), 30, 2);
        EXPECT_NEAR(PixelByte(image_, i % 24, i / 24, 1), 140, 2);
        EXPECT_NEAR(PixelByte(image_, i % 24, i / 24, 0), 220, 2);
    }
}

// A progressive picture keeps every coefficient until its last scan, so a tiny file that
// declares a huge picture must be refused by the size in its header, before the
// decompressor sets that store up.
TEST_F(PngJpegReader, ProgressiveJpegIsRefusedByTheSizeItDeclares) {
    struct Case {
        unsigned width, height;
        int components;
        int result;
    };
    const Case cases[] = {
        {64, 40, 3, 0},          // the crafted file itself is sound
        {64, 40, 1, 0},
        {20000, 20000, 3, -1},   // 1.2 GB of pixels, 2.4 GB of coefficients
        {20000, 20000, 1, -1},
        {65500, 65500, 1, -1},
        {65500, 4099, 1, -1},    // just over the pixel limit
    };
    for (const Case& c : cases) {
        const Bytes file = ProgressiveJpegOfSize(c.width, c.height, c.components);
        ResetPeakResident();
        int result = 1;
        const std::uint64_t growth = PeakGrowthOf([&] { result = ReadImageBytes(LoadJpegImage, file, &image_); });
        ASSERT_EQ(result, c.result) << c.width << "x" << c.height;
        EXPECT_LT(growth, 200ull * 1024 * 1024) << c.width << "x" << c.height;
        EXPECT_EQ(TrackedLiveBlockCount(), live_ + (c.result == 0 ? 1 : 0));
        if (c.result != 0) continue;
        EXPECT_EQ(image_.width, static_cast<std::int32_t>(c.width));
        EXPECT_EQ(image_.height, static_cast<std::int32_t>(c.height));
        for (int y = 0; y < image_.height; ++y)
            for (int x = 0; x < image_.width; ++x)
                for (int b = 0; b < c.components; ++b) ASSERT_EQ(PixelByte(image_, x, y, b), 128u) << x << "," << y;
        FreeGraphImage(&image_);
    }
}

// libpng only warns about a chunk longer than its chunk limit and would still allocate
// the declared length; the decoder must refuse such a file without that allocation.
TEST_F(PngJpegReader, PngChunkDeclaringMoreThanTheFileHoldsIsRefusedSmall) {
    struct Case {
        const char* type;
        std::uint32_t declared;
    };
    const Case cases[] = {
        {"tEXt", 0x7FFFFFFF}, {"zTXt", 0x7FFFFFFF}, {"iTXt", 0x7FFFFFFF}, {"iCCP", 0x7FFFFFFF},
        {"tEXt", 0x40000000}, {"tEXt", 9000000},    {"tEXt", 20},
    };
    const Bytes body = {'a', 0, 'b'};
    for (const Case& c : cases) {
        const Bytes file = PngWithShortChunk(c.type, c.declared, body);
        if (c.declared == 0x7FFFFFFF && std::string(c.type) == "tEXt") {
            ASSERT_EQ(file.size(), 44u);
        }
        ResetPeakResident();
        int result = 1;
        const std::uint64_t growth = PeakGrowthOf([&] { result = ReadImageBytes(LoadPngImage, file, &image_); });
        EXPECT_EQ(result, -1) << c.type << " " << c.declared;
        EXPECT_LT(growth, 200ull * 1024 * 1024) << c.type << " " << c.declared;
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
}

TEST_F(PngJpegReader, PngWithLongTextChunkStillReads) {
    PngSpec s;
    s.width = 2;
    s.color_type = PNG_COLOR_TYPE_GRAY;
    s.rows = {{0x12, 0xED}};
    s.text = {{"Title", "grey pair"}, {"Comment", std::string(17 * 1024 * 1024, 'x')}};
    // The long chunk is past the fixed block limit, but the file holds all of it.
    ASSERT_EQ(Png(s), 0);
    EXPECT_EQ(image_.width, 2);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x12u);
    EXPECT_EQ(PixelValue(image_, 1, 0), 0xEDu);
}

}  // namespace
