// Writing pictures into MEMIMG images: the run table's bytes, the valid flags after whole
// and partial writes, palette conversion, the key-to-alpha write, and the read back and
// image-to-image copy.
#include <gtest/gtest.h>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/test_memimg.h"

namespace {

std::vector<std::uint8_t> RunRow(const MEMIMG* image, int row) {
    const std::uint8_t* p = image->block->run_table;
    for (int r = 0; r < row; ++r) {
        while (*p != kRunRowEnd) ++p;
        ++p;
    }
    std::vector<std::uint8_t> out;
    do out.push_back(*p); while (*p++ != kRunRowEnd);
    return out;
}

struct Picture {
    GraphImage image{};
    Picture(int w, int h, bool alpha) {
        if (alpha) CreateArgb32GraphImage(w, h, &image);
        else CreateXrgb32GraphImage(w, h, &image);
    }
    ~Picture() { FreeGraphImage(&image); }
    std::uint32_t* row(int y) { return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(image.pixels) + image.pitch * y); }
};

TEST(MemImgTransfer, RunTableRowsOfKnownPictures) {
    {
        Picture pic(100, 2, false);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 100; ++x) pic.row(y)[x] = x == 10 ? 0x00FF00FFu : 0x00102030u;
        TestImage img(100, 2, kMemImgXrgb8888, 0, 0, 1, 0x00FF00FF);
        WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 0, 0, 100, 2, 0, 0, 0);
        EXPECT_EQ(img->block->run_table_valid, 1);
        EXPECT_EQ(RunRow(img.get(), 1), (std::vector<std::uint8_t>{0x49, 0x00, 0x7F, 0x58, 0xC0}));
    }
    {
        Picture pic(130, 1, false);
        for (int x = 0; x < 130; ++x) pic.row(0)[x] = 0x00FF00FFu;
        TestImage img(130, 1, kMemImgXrgb8888, 0, 0, 1, 0x00FF00FF);
        WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 0, 0, 130, 1, 0, 0, 0);
        EXPECT_EQ(RunRow(img.get(), 0), (std::vector<std::uint8_t>{0x3F, 0x3F, 0x01, 0xC0}));
    }
    {
        Picture pic(5, 1, true);
        const std::uint32_t alphas[] = {0, 0, 128, 255, 255};
        for (int x = 0; x < 5; ++x) pic.row(0)[x] = (alphas[x] << 24) | 0x00808080u;
        TestImage img(5, 1, kMemImgXrgb8888, 0, 1, 1);
        WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 0, 0, 5, 1, 0, 0, 0);
        EXPECT_EQ(RunRow(img.get(), 0), (std::vector<std::uint8_t>{0x01, 0x80, 0x41, 0xC0}));
        EXPECT_EQ(img->block->alpha_plane_valid, 1);
        EXPECT_EQ(img->block->alpha_plane[2 * 4 + 0], (0x80 * 128) >> 8);
        EXPECT_EQ(img->block->alpha_plane[2 * 4 + 3], 128);
    }
}

TEST(MemImgTransfer, PartialWritesAndSubViewsLeaveTheTablesInvalid) {
    Picture pic(8, 8, false);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pic.row(y)[x] = 0x00010203u * static_cast<std::uint32_t>(x + y);
    TestImage img(8, 8, kMemImgXrgb8888, 0, 0, 1);
    WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 0, 0, 8, 8, 0, 0, 0);
    EXPECT_EQ(img->block->run_table_valid, 1);
    WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 0, 0, 4, 4, 0, 0, 0);
    EXPECT_EQ(img->block->run_table_valid, 0);
    MEMIMG view{};
    CreateMemImgView(&view, img.get(), 2, 2, 4, 4);
    WriteGraphImageToMemImg(&pic.image, nullptr, &view, 0, 0, 4, 4, 0, 0, 0);
    EXPECT_EQ(img->block->run_table_valid, 0);  // the table describes the whole block
    ReleaseMemImg(&view);
    // Rectangles reaching outside the picture or the view are cut, not overrun.
    WriteGraphImageToMemImg(&pic.image, nullptr, img.get(), 4, 4, 100, 100, 6, 6, 0);
    EXPECT_EQ(img.get(7, 7), pic.row(5)[5]);
}

TEST(MemImgTransfer, PaletteEntriesAreConvertedToThePixelFormat) {
    GraphImage pic{};
    SetPalette8ColorFormat(&pic.format);
    pic.width = 4;
    pic.height = 1;
    pic.pitch = 4;
    std::uint8_t pixels[4] = {0, 1, 3, 1};
    pic.pixels = pixels;
    pic.format.palette[0] = {255, 255, 255, 0};
    pic.format.palette[1] = {8, 4, 8, 0};
    TestImage img(4, 1, kMemImgRgb565, 1, 0, 1);
    WriteGraphImageToMemImg(&pic, nullptr, img.get(), 0, 0, 4, 1, 0, 0, 0);
    std::uint16_t e0, e1;
    std::memcpy(&e0, img->block->palette, 2);
    std::memcpy(&e1, img->block->palette + 2, 2);
    EXPECT_EQ(e0, 0xFFFF);
    EXPECT_EQ(e1, 0x0821);
    EXPECT_EQ(img->block->palette_count, 4);
    EXPECT_EQ(std::memcmp(img->block->palette, img->block->palette_copy, 512), 0);
}

TEST(MemImgTransfer, ReadBackAndCopyBetweenImages) {
    TestImage a(4, 2, kMemImgXrgb8888), b(4, 2, kMemImgXrgb8888);
    a.set(1, 1, 0x00ABCDEF);
    EXPECT_EQ(BltMemImgToMemImg(b.get(), a.get(), nullptr, 0, 0), 0);
    EXPECT_EQ(b.get(1, 1), 0x00ABCDEFu);
    EXPECT_EQ(BltMemImgToMemImg(b.get(), a.get(), nullptr, 10, 0), -1);
    Picture out(4, 2, false);
    ReadMemImgToGraphImage(&out.image, a.get(), 0, 0, 4, 2, 0, 0, 0, 0);
    EXPECT_EQ(out.row(1)[1] & 0x00FFFFFFu, 0x00ABCDEFu);
    TestImage alpha(4, 2, kMemImgXrgb8888, 0, 1);
    out.row(0)[0] = 0x12345678;
    ReadMemImgToGraphImage(&out.image, alpha.get(), 0, 0, 4, 2, 0, 0, 0, 0);
    EXPECT_EQ(out.row(0)[0], 0x12345678u);
}

}  // namespace

namespace {

TEST(MemImgTransfer, OneChannelImagesTakeThePicturesRed) {
    Picture pic(3, 1, false);
    pic.row(0)[0] = 0x00801234u;
    pic.row(0)[1] = 0x00FF0000u;
    pic.row(0)[2] = 0x0000FFFFu;
    TestImage depth(3, 1, kMemImgChannel16);
    WriteGraphImageToMemImg(&pic.image, nullptr, depth.get(), 0, 0, 3, 1, 0, 0, 0);
    EXPECT_EQ(depth.get(0, 0), 0x8080u);
    EXPECT_EQ(depth.get(1, 0), 0xFFFFu);
    EXPECT_EQ(depth.get(2, 0), 0x0000u);
    EXPECT_EQ(depth->block->run_table_valid, 0);
}


// The key-to-alpha write of an image with alpha: its key (kept raw, in the image's own
// format) picks out the pixels whose colour in that format equals it, whatever the
// picture's layout. Pixels: magenta, (FF, F8, 1F), (FC, 03, FF), white.
TEST(MemImgTransfer, KeyToAlphaComparesTheKeyInTheImagesOwnFormat) {
    enum Source { kXrgb, kRgb24, kPalette };
    struct Case {
        int kind;
        Source source;
        std::uint32_t expected[4];
    };
    // RGB565 with alpha: the low 16 bits are the colour, byte 2 the alpha, byte 3 unused
    // (set). (FC, 03, FF) is magenta once narrowed to 5-6-5; (FF, F8, 1F) is not.
    constexpr std::uint32_t k565[4] = {0xFF00F81Fu, 0xFFFFFFC3u, 0xFF00F81Fu, 0xFFFFFFFFu};
    constexpr std::uint32_t k8888[4] = {0x00FF00FFu, 0xFFFFF81Fu, 0xFFFC03FFu, 0xFFFFFFFFu};
    const Case cases[] = {
        {kMemImgRgb565, kXrgb, {k565[0], k565[1], k565[2], k565[3]}},
        {kMemImgRgb565, kRgb24, {k565[0], k565[1], k565[2], k565[3]}},
        {kMemImgRgb565, kPalette, {k565[0], k565[1], k565[2], k565[3]}},
        {kMemImgXrgb8888, kXrgb, {k8888[0], k8888[1], k8888[2], k8888[3]}},
        {kMemImgXrgb8888, kRgb24, {k8888[0], k8888[1], k8888[2], k8888[3]}},
        {kMemImgXrgb8888, kPalette, {k8888[0], k8888[1], k8888[2], k8888[3]}},
    };
    const std::uint32_t colours[4] = {0xFF00FF, 0xFFF81F, 0xFC03FF, 0xFFFFFF};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " source " << c.source);
        GraphImage picture{};
        if (c.source == kRgb24) {
            ASSERT_EQ(CreateRgb24GraphImage(4, 1, &picture), 0);
        } else {
            ASSERT_EQ(CreateXrgb32GraphImage(4, 1, &picture), 0);
        }
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t rgb = colours[x];
            if (c.source == kPalette) {
                picture.format.palette[x] = ColorPaletteEntry{static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                                                              static_cast<std::uint8_t>(rgb >> 16), 0};
                static_cast<std::uint8_t*>(picture.pixels)[x] = static_cast<std::uint8_t>(x);
            } else {
                SetGraphImagePixel(&picture, x, 0, rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
            }
        }
        if (c.source == kPalette) SetPalette8ColorFormat(&picture.format);
        // The key as a software graph image gets it: magenta made in the image's format.
        const std::uint32_t key = MakeColorValueInFormat(GetMemImgColorFormat(c.kind, 1, 0), 255, 0, 255, 255);
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 4, 1, -1, key, c.kind, 0, 1, 1, nullptr), 0);
        WriteGraphImageToMemImg(&picture, nullptr, &image, 0, 0, 4, 1, 0, 0, 1);
        for (int x = 0; x < 4; ++x) {
            std::uint32_t raw = 0;
            std::memcpy(&raw, image.pixels + x * 4, 4);
            EXPECT_EQ(raw, c.expected[x]) << "x " << x;
        }
        ReleaseMemImg(&image);
        FreeGraphImage(&picture);
    }
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
