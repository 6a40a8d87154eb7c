// A corpus of damaged files of every format: each fixture cut at every length, with
// every single bit flipped, with every run of four bytes set to a large value, and with
// random bytes overwritten, goes through the whole reader chain. Nothing may crash or
// read out of bounds (the sanitizers watch), no input may lift the peak memory by more
// than a bound (a small file must not make a decoder set up a huge picture), every
// accepted picture must be readable in full, and no tracked block may stay behind.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <random>
#include <string>

#include "engine/core/tracked_alloc.h"
#include "image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/peak_memory.h"

namespace {

struct Fixture {
    std::string name;
    Bytes bytes;
};

Bytes Range(std::size_t n, int step) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * step);
    return b;
}

std::vector<Fixture> MakeCorpus() {
    std::vector<Fixture> corpus;
    {
        BmpSpec s;
        s.width = 5;
        s.height = 3;
        s.pixels = Range(48, 7);
        corpus.push_back({"bmp24", MakeBmp(s)});
        s.bit_count = 8;
        s.colors_used = 16;
        for (int i = 0; i < 16; ++i) s.table.push_back(static_cast<std::uint32_t>(i * 0x0F0F0F));
        s.pixels = Range(24, 3);
        corpus.push_back({"bmp8", MakeBmp(s)});
        s.bit_count = 4;
        s.pixels = Range(12, 5);
        corpus.push_back({"bmp4", MakeBmp(s)});
        s.compression = 1;
        s.bit_count = 8;
        s.pixels = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 9, 5, 0, 0, 4, 4, 0, 1};
        corpus.push_back({"bmp_rle8", MakeBmp(s)});
        s.compression = 2;
        s.bit_count = 4;
        s.pixels = {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 2, 1, 0, 2, 0x34, 0, 1};
        corpus.push_back({"bmp_rle4", MakeBmp(s)});
        BmpSpec one;
        one.width = 9;
        one.height = 2;
        one.bit_count = 1;
        one.table = {0x000000, 0xFFFFFF};
        one.pixels = Range(8, 91);
        corpus.push_back({"bmp1", MakeBmp(one)});
        BmpSpec v5;
        v5.header_size = 124;
        v5.width = 3;
        v5.height = -2;
        v5.bit_count = 16;
        v5.compression = 3;
        v5.masks[0] = 0xF800;
        v5.masks[1] = 0x07E0;
        v5.masks[2] = 0x001F;
        v5.pixels = Range(16, 13);
        corpus.push_back({"bmp16_v5", MakeBmp(v5)});
        BmpSpec x32;
        x32.width = 2;
        x32.height = 2;
        x32.bit_count = 32;
        x32.pixels = Range(16, 17);
        corpus.push_back({"bmp32", MakeBmp(x32)});
    }
    {
        TgaSpec t;
        t.width = 3;
        t.height = 2;
        t.descriptor = 0x10;
        t.id = {'i', 'd'};
        t.data = Range(18, 11);
        corpus.push_back({"tga24", MakeTga(t)});
        TgaSpec r;
        r.type = 10;
        r.width = 4;
        r.height = 2;
        r.pixel_depth = 16;
        r.data = {0x83, 0x1F, 0x00, 0x03, 1, 2, 3, 4, 5, 6, 7, 8};
        r.footer = true;
        corpus.push_back({"tga_rle16", MakeTga(r)});
        TgaSpec m;
        m.type = 9;
        m.width = 3;
        m.height = 3;
        m.pixel_depth = 8;
        m.map_type = 1;
        m.map_first = 1;
        m.map_length = 3;
        m.map_bits = 32;
        m.map = Range(12, 29);
        m.data = {0x82, 1, 0x02, 2, 3, 1, 0x82, 3};
        corpus.push_back({"tga_mapped_rle", MakeTga(m)});
        m.type = 1;
        m.data = {1, 2, 3, 3, 2, 1, 1, 1, 2};
        corpus.push_back({"tga_mapped", MakeTga(m)});
    }
    corpus.push_back({"bgra8", MakeBgra(0x08080808, 2, 2, Range(16, 9))});
    corpus.push_back({"bgra16", MakeBgra(0x10101010, 2, 1, Range(16, 9))});
    {
        DdsSpec d;
        d.pf_flags = 0x4;
        d.bits = 0;
        d.four_cc = FourCcCode("DXT1");
        d.width = 6;
        d.height = 5;
        d.data = Range(32, 37);
        corpus.push_back({"dds_dxt1", MakeDds(d)});
        d.four_cc = FourCcCode("DXT2");
        d.width = d.height = 4;
        d.data = Range(16, 53);
        corpus.push_back({"dds_dxt2", MakeDds(d)});
        d.four_cc = FourCcCode("DXT5");
        corpus.push_back({"dds_dxt5", MakeDds(d)});
        d.four_cc = 21;
        d.flags |= 0x8;
        d.pitch = 12;
        d.width = 2;
        d.height = 2;
        d.data = Range(24, 3);
        corpus.push_back({"dds_code21", MakeDds(d)});
        DdsSpec u;
        u.bits = 16;
        u.masks[0] = 0xF800;
        u.masks[1] = 0x07E0;
        u.masks[2] = 0x001F;
        u.width = 3;
        u.height = 2;
        u.data = Range(12, 19);
        corpus.push_back({"dds565", MakeDds(u)});
    }
    {
        PngSpec p;
        p.width = 5;
        p.height = 3;
        p.bit_depth = 4;
        p.color_type = PNG_COLOR_TYPE_PALETTE;
        for (int i = 0; i < 16; ++i) p.palette.push_back(static_cast<std::uint32_t>(i * 0x101010));
        p.rows = {{0x01, 0x23, 0x40}, {0x56, 0x78, 0x90}, {0xAB, 0xCD, 0xE0}};
        corpus.push_back({"png_palette", MakePng(p)});
        PngSpec rgba;
        rgba.width = 9;
        rgba.height = 9;
        rgba.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
        rgba.interlaced = true;
        for (int y = 0; y < 9; ++y) rgba.rows.push_back(Range(36, 5 + y));
        corpus.push_back({"png_rgba_interlaced", MakePng(rgba)});
        PngSpec ga;
        ga.width = 4;
        ga.height = 2;
        ga.color_type = PNG_COLOR_TYPE_GRAY_ALPHA;
        ga.bit_depth = 16;
        ga.rows = {Range(16, 3), Range(16, 5)};
        corpus.push_back({"png_grey_alpha16", MakePng(ga)});
    }
    {
        JpegSpec j;
        j.width = 16;
        j.height = 8;
        j.quality = 75;
        j.pixels = Range(16 * 8 * 3, 1);
        corpus.push_back({"jpeg_colour", MakeJpeg(j)});
        j.components = 1;
        j.width = 8;
        j.pixels = Range(64, 3);
        corpus.push_back({"jpeg_grey", MakeJpeg(j)});
    }
    {
        // Seeds whose size fields make a decoder set aside memory before it reads any
        // data: a progressive JPEG keeps every coefficient, a PNG text chunk is read whole.
        JpegSpec p;
        p.width = 16;
        p.height = 8;
        p.quality = 50;
        p.progressive = true;
        p.pixels = Range(16 * 8 * 3, 5);
        corpus.push_back({"jpeg_progressive", MakeJpeg(p)});
        PngSpec text;
        text.width = 3;
        text.height = 2;
        text.color_type = PNG_COLOR_TYPE_GRAY;
        text.rows = {Range(3, 40), Range(3, 70)};
        text.text = {{"Title", "corpus"}};
        corpus.push_back({"png_text", MakePng(text)});
    }
    return corpus;
}

// Reads through the chain within the memory bound; an accepted picture is read in full
// and freed.
void ReadAndCheck(const Bytes& bytes, const std::string& what) {
    GraphImage image{};
    int result = -1;
    const std::uint64_t growth = PeakGrowthOf([&] { result = ReadImageBytes(nullptr, bytes, &image); });
    ASSERT_LE(growth, kCorpusInputPeakGrowthLimit) << what;
    if (result == 0) {
        ASSERT_NE(image.pixels, nullptr) << what;
        ASSERT_GT(image.width, 0) << what;
        ASSERT_GT(image.height, 0) << what;
        ASSERT_GE(image.format.bytes_per_pixel, 1) << what;
        const std::size_t row = static_cast<std::size_t>(image.width) * image.format.bytes_per_pixel;
        ASSERT_GE(static_cast<std::size_t>(image.pitch), row) << what;
        unsigned sum = 0;
        const auto* p = static_cast<const unsigned char*>(image.pixels);
        for (int y = 0; y < image.height; ++y)
            for (std::size_t x = 0; x < row; ++x) sum += p[static_cast<std::size_t>(y) * image.pitch + x];
        (void)sum;
        FreeGraphImage(&image);
    }
}

TEST(ImageCorpus, FixturesLoadWhole) {
    for (const Fixture& f : MakeCorpus()) {
        GraphImage image{};
        EXPECT_EQ(ReadImageBytes(nullptr, f.bytes, &image), 0) << f.name;
        FreeGraphImage(&image);
    }
}

TEST(ImageCorpus, TruncatedFilesAreSafe) {
    ResetPeakResident();
    const std::int32_t live = TrackedLiveBlockCount();
    for (const Fixture& f : MakeCorpus()) {
        for (std::size_t n = 0; n < f.bytes.size(); ++n) {
            const Bytes part(f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(n));
            ReadAndCheck(part, f.name + " cut at " + std::to_string(n));
            ASSERT_EQ(TrackedLiveBlockCount(), live) << f.name << " cut at " << n;
        }
    }
}

TEST(ImageCorpus, FlippedBitsAreSafe) {
    ResetPeakResident();
    const std::int32_t live = TrackedLiveBlockCount();
    for (const Fixture& f : MakeCorpus()) {
        Bytes b = f.bytes;
        for (std::size_t bit = 0; bit < b.size() * 8; ++bit) {
            b[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
            ReadAndCheck(b, f.name + " bit " + std::to_string(bit));
            b[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
            ASSERT_EQ(TrackedLiveBlockCount(), live) << f.name << " bit " << bit;
        }
    }
}

// Sizes and lengths are mostly 16- or 32-bit fields, often side by side (width and
// height): a run of four large bytes makes both of two neighbouring fields huge.
TEST(ImageCorpus, LargeRunsAreSafe) {
    ResetPeakResident();
    const std::int32_t live = TrackedLiveBlockCount();
    for (const Fixture& f : MakeCorpus()) {
        for (std::size_t at = 0; at < f.bytes.size(); ++at) {
            for (const unsigned char value : {0x7F, 0xFF}) {
                Bytes b = f.bytes;
                for (std::size_t i = at; i < std::min(at + 4, b.size()); ++i) b[i] = value;
                ReadAndCheck(b, f.name + " run of " + std::to_string(value) + " at " + std::to_string(at));
                ASSERT_EQ(TrackedLiveBlockCount(), live) << f.name << " run at " << at;
            }
        }
    }
}

TEST(ImageCorpus, OverwrittenBytesAreSafe) {
    ResetPeakResident();
    const std::int32_t live = TrackedLiveBlockCount();
    std::mt19937 rng(20240611);
    const unsigned char extremes[] = {0x00, 0xFF, 0x7F, 0x80, 0x01};
    for (const Fixture& f : MakeCorpus()) {
        for (int round = 0; round < 300; ++round) {
            Bytes b = f.bytes;
            const int changes = 1 + static_cast<int>(rng() % 4);
            for (int c = 0; c < changes; ++c) {
                // Headers matter most: half of the changes land in the first 64 bytes.
                const std::size_t span = (rng() & 1) ? std::min<std::size_t>(64, b.size()) : b.size();
                b[rng() % span] = (rng() & 1) ? extremes[rng() % 5] : static_cast<unsigned char>(rng());
            }
            ReadAndCheck(b, f.name + " round " + std::to_string(round));
            ASSERT_EQ(TrackedLiveBlockCount(), live) << f.name << " round " << round;
        }
    }
}

}  // namespace
