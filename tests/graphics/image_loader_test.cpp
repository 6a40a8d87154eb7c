// The reader chain and the loaders: order of the readers, rewinding between them,
// files and memory blocks, mirroring of every pixel size, DIB output, and the "_a"
// alpha picture.
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <string>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/graphs/soft_image.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"
#include "tests/support/temp_dir.h"

namespace {

class ImageLoader : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override {
        FreeGraphImage(&image_);
        FreeGraphImage(&alpha_);
        EXPECT_EQ(TrackedLiveBlockCount(), live_);
    }
    int LoadMemory(const Bytes& bytes, int mirror = 0) {
        FreeGraphImage(&image_);
        return LoadGraphImage(nullptr, bytes.data(), static_cast<std::uint32_t>(bytes.size()), 1, 0, mirror, &image_,
                              nullptr, nullptr);
    }
    GraphImage image_{};
    GraphImage alpha_{};
    std::int32_t live_ = 0;
};

Bytes SmallPng(int width, unsigned char base) {
    PngSpec s;
    s.width = width;
    s.color_type = PNG_COLOR_TYPE_GRAY;
    Bytes row;
    for (int x = 0; x < width; ++x) row.push_back(static_cast<unsigned char>(base + x));
    s.rows = {row};
    return MakePng(s);
}

std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST_F(ImageLoader, ReadersAreTriedInOrderAndTheEarliestWins) {
    const GraphImageReader expected[] = {ReadBmpImage, LoadJpegImage, LoadPngImage, ReadBgraImage, ReadTgaImage,
                                         ReadDdsImage, nullptr};
    const GraphImageReader* table = kBuiltInImageReaders;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(table[i], expected[i]) << i;

    // Two user readers that both accept: the first one's picture is kept, and the
    // built-in readers are not asked.
    GraphImageReader* user = GetUserImageReaders();
    user[0] = [](const StreamDescriptor*, GraphImage* image) { return CreateXrgb32GraphImage(1, 1, image); };
    user[1] = [](const StreamDescriptor*, GraphImage* image) { return CreateXrgb32GraphImage(2, 2, image); };
    *GetUserImageReaderCount() = 2;
    ASSERT_EQ(LoadMemory(SmallPng(3, 1)), 0);
    EXPECT_EQ(image_.width, 1);
    *GetUserImageReaderCount() = 0;
    user[0] = user[1] = nullptr;
}

TEST_F(ImageLoader, EveryReaderStartsFromTheBeginning) {
    // The BMP, JPEG and PNG readers read part of a TGA before giving up; the TGA reader
    // still sees the whole file, and a DDS file reaches the last reader.
    TgaSpec t;
    t.width = 2;
    t.data = Bytes(6, 0x33);
    t.data[0] = 0x44;
    ASSERT_EQ(ReadImageBytes(nullptr, MakeTga(t), &image_), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x333344u);
    FreeGraphImage(&image_);

    DdsSpec d;
    d.data = {1, 2, 3, 4};
    ASSERT_EQ(ReadImageBytes(nullptr, MakeDds(d), &image_), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x04030201u);
    FreeGraphImage(&image_);

    ASSERT_EQ(ReadImageBytes(nullptr, SmallPng(3, 10), &image_), 0);
    EXPECT_EQ(PixelValue(image_, 2, 0), 12u);
    FreeGraphImage(&image_);
    EXPECT_EQ(ReadImageBytes(nullptr, Bytes{1, 2, 3}, &image_), -1);
}

TEST_F(ImageLoader, UserReadersComeFirst) {
    static int calls = 0;
    GraphImageReader* table = GetUserImageReaders();
    table[0] = [](const StreamDescriptor* stream, GraphImage*) {
        ++calls;
        char c;
        stream->functions.read(&c, 1, 1, stream->handle);  // reads, then declines
        return -1;
    };
    *GetUserImageReaderCount() = 1;
    ASSERT_EQ(LoadMemory(SmallPng(2, 5)), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(PixelValue(image_, 1, 0), 6u);
    *GetUserImageReaderCount() = 0;
    table[0] = nullptr;
}

TEST_F(ImageLoader, MirrorReversesRowsOfEveryPixelSize) {
    ASSERT_EQ(LoadMemory(SmallPng(3, 10), 1), 0);  // grey, one byte per pixel
    EXPECT_EQ(PixelValue(image_, 0, 0), 12u);
    EXPECT_EQ(PixelValue(image_, 2, 0), 10u);

    BmpSpec pal;
    pal.width = 3;
    pal.height = 1;
    pal.bit_count = 8;
    pal.colors_used = 1;
    pal.table = {0};
    pal.pixels = {1, 2, 3, 0};
    ASSERT_EQ(LoadMemory(MakeBmp(pal), 1), 0);
    EXPECT_EQ(image_.pitch, 4);
    EXPECT_EQ(PixelValue(image_, 0, 0), 3u);
    EXPECT_EQ(PixelValue(image_, 2, 0), 1u);

    BmpSpec rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    ASSERT_EQ(LoadMemory(MakeBmp(rgb), 1), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x060504u);
    ASSERT_EQ(LoadMemory(MakeBmp(rgb), 2), 0);  // only 1 mirrors
    EXPECT_EQ(PixelValue(image_, 0, 0), 0x030201u);
}

TEST_F(ImageLoader, FilesAndFailures) {
    ScopedTempDir dir;
    dir.WriteFile("pic.png", ToString(SmallPng(4, 1)));
    dir.WriteFile("empty.png", "");
    ASSERT_EQ(LoadGraphImage("pic.png", nullptr, 0, 0, 0, 0, &image_, nullptr, nullptr), 0);
    EXPECT_EQ(image_.width, 4);
    EXPECT_EQ(PixelValue(image_, 3, 0), 4u);

    GraphImage untouched;
    std::memset(&untouched, 0x5C, sizeof untouched);
    const GraphImage before = untouched;
    EXPECT_EQ(LoadGraphImage("empty.png", nullptr, 0, 0, 0, 0, &untouched, nullptr, nullptr), -1);
    EXPECT_EQ(LoadGraphImage("missing.png", nullptr, 0, 0, 0, 0, &untouched, nullptr, nullptr), -1);
    EXPECT_EQ(std::memcmp(&untouched, &before, sizeof before), 0);
}

TEST_F(ImageLoader, DibOutput) {
    BITMAPINFO* info = nullptr;
    void* bits = nullptr;
    const Bytes png = SmallPng(4, 1);  // grey, width 4: the DIB can use the pixels as they are
    ASSERT_EQ(LoadGraphImage(nullptr, png.data(), static_cast<std::uint32_t>(png.size()), 1, 1, 0, &image_, &info, &bits),
              0);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biBitCount, 8);
    EXPECT_EQ(info->bmiHeader.biHeight, -1);
    EXPECT_EQ(static_cast<unsigned char*>(bits)[3], 4);
    EXPECT_EQ(image_.pixels, nullptr);  // the picture went to the DIB only
    TrackedFree(info);
    TrackedFree(bits);
}

TEST_F(ImageLoader, AlphaFileNames) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"dat/bg.png", "dat/bg_a.png"},
        {"title", "title_a"},
        {"dir.old/bg", "dir.old/bg_a"},
        {"dir.old\\bg.bmp", "dir.old\\bg_a.bmp"},
        {"a.b.c", "a.b_a.c"},
        {"表\\x.png", "表\\x_a.png"},  // 表 ends in the byte 0x5C
        {"表.png", "表_a.png"},
    };
    for (const Case& c : cases) {
        char out[260];
        ASSERT_EQ(MakeAlphaImageFileName(c.name, out, sizeof out), 0) << c.name;
        EXPECT_STREQ(out, c.expected);
    }
    const std::string long_name(258, 'x');
    char out[260];
    EXPECT_EQ(MakeAlphaImageFileName(long_name.c_str(), out, sizeof out), -1);
    EXPECT_EQ(MakeAlphaImageFileName(std::string(257, 'x').c_str(), out, sizeof out), 0);
}

TEST_F(ImageLoader, AlphaPictures) {
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.path() / "dat");
    dir.WriteFile("dat/bg.png", ToString(SmallPng(2, 1)));
    dir.WriteFile("dat/bg_a.png", ToString(SmallPng(2, 200)));
    dir.WriteFile("dat/solo.png", ToString(SmallPng(2, 1)));

    EXPECT_EQ(LoadGraphImageWithAlpha("dat/bg.png", nullptr, 0, 0, nullptr, 0, 0, &image_, &alpha_, 1), 0);
    EXPECT_EQ(PixelValue(image_, 0, 0), 2u);  // mirrored
    EXPECT_EQ(PixelValue(alpha_, 0, 0), 201u);
    FreeGraphImage(&image_);
    FreeGraphImage(&alpha_);

    EXPECT_EQ(LoadGraphImageWithAlpha("dat/solo.png", nullptr, 0, 0, nullptr, 0, 0, &image_, &alpha_, 0), 1);
    EXPECT_NE(image_.pixels, nullptr);
    EXPECT_EQ(alpha_.pixels, nullptr);
    FreeGraphImage(&image_);

    std::memset(&alpha_, 0, sizeof alpha_);
    alpha_.width = 99;
    EXPECT_EQ(LoadGraphImageWithAlpha("dat/bg.png", nullptr, 0, 0, nullptr, 0, 2, &image_, &alpha_, 0), 1);
    EXPECT_EQ(alpha_.width, 99);
    alpha_.width = 0;
    FreeGraphImage(&image_);
    EXPECT_EQ(LoadGraphImageWithAlpha("dat/bg.png", nullptr, 0, 0, nullptr, 0, 1, &image_, &alpha_, 0), 1);
    FreeGraphImage(&image_);

    const Bytes main = SmallPng(2, 50), mask = SmallPng(2, 150);
    EXPECT_EQ(LoadGraphImageWithAlpha(nullptr, main.data(), static_cast<std::uint32_t>(main.size()), 1, mask.data(),
                                      static_cast<std::uint32_t>(mask.size()), 1, &image_, &alpha_, 0),
              0);
    EXPECT_EQ(PixelValue(alpha_, 1, 0), 151u);
    FreeGraphImage(&image_);
    FreeGraphImage(&alpha_);
    // A picture from memory has no "_a" file beside it.
    EXPECT_EQ(LoadGraphImageWithAlpha(nullptr, main.data(), static_cast<std::uint32_t>(main.size()), 1, nullptr, 0, 0,
                                      &image_, &alpha_, 0),
              1);
    EXPECT_EQ(LoadGraphImageWithAlpha("dat/missing.png", nullptr, 0, 0, nullptr, 0, 0, &image_, &alpha_, 0), -1);
}

TEST_F(ImageLoader, SoftImageTable) {
    EXPECT_EQ(DeleteAllSoftImages(), 0);
    std::int32_t handles[8] = {};
    for (int i = 0; i < 8; ++i) {
        GraphImage image{};
        ASSERT_EQ(CreateXrgb32GraphImage(2, 2, &image), 0);
        handles[i] = CreateSoftImage(&image);
        ASSERT_GE(handles[i], 0);
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(static_cast<std::uint32_t>(handles[i]) & 0x78000000u, 0x70000000u);
    }
    for (int slot : {1, 2, 4, 5, 6}) ASSERT_EQ(DeleteSoftImage(handles[slot]), 0);
    EXPECT_EQ(GetSoftImageTable()->end_mark, 8);
    EXPECT_EQ(DeleteSoftImage(handles[7]), 0);
    EXPECT_EQ(GetSoftImageTable()->end_mark, 4);
    EXPECT_EQ(DeleteSoftImage(handles[7]), -1);
    EXPECT_EQ(DeleteSoftImage(0x70000000 | 8192), -1);
    EXPECT_EQ(DeleteSoftImage(static_cast<std::int32_t>((static_cast<std::uint32_t>(handles[3]) & ~0x78000000u) | 0x08000000u)), -1);
    EXPECT_EQ(DeleteSoftImage(handles[3] ^ 0x00010000), -1);  // another check count
    EXPECT_EQ(GetSoftImageTable()->live_count, 2);
    EXPECT_EQ(DeleteAllSoftImages(), 0);
    EXPECT_EQ(GetSoftImageTable()->live_count, 0);
    EXPECT_EQ(GetSoftImageTable()->end_mark, 0);
}

}  // namespace
