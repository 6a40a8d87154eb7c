// The conversion blit: each path of the dispatcher with exact expected pixels, the
// intended differences between paths, and agreement of the specialised loops with
// the general path where they are meant to agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/pixels/conversion_blit.h"

namespace {

ColorFormat Format(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    ColorFormat f{};
    BuildColorFormat(&f, depth, r, g, b, a);
    return f;
}
const ColorFormat kR565 = Format(16, 0xF800, 0x07E0, 0x001F, 0);
const ColorFormat kX555 = Format(16, 0x7C00, 0x03E0, 0x001F, 0);
const ColorFormat kA555 = Format(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
ColorFormat Preset(int (*set)(ColorFormat*)) {
    ColorFormat f{};
    set(&f);
    return f;
}
const ColorFormat kRgb24 = Preset(SetRgb24ColorFormat);
const ColorFormat kX8 = Preset(SetXrgb32ColorFormat);
const ColorFormat kA8 = Preset(SetArgb32ColorFormat);
const ColorFormat kGrey = Preset(SetGrey8ColorFormat);

// A picture of little-endian pixels with a pitch padded by `pad` bytes.
struct Picture {
    ColorFormat format;
    int width, height, pitch;
    std::vector<unsigned char> bytes;
    Picture(const ColorFormat& f, int w, int h, int pad = 0, unsigned char fill = 0xCD)
        : format(f), width(w), height(h), pitch(w * f.bytes_per_pixel + pad),
          bytes(static_cast<std::size_t>(pitch) * h, fill) {}
    std::uint32_t Get(int x, int y) const {
        std::uint32_t v = 0;
        for (int b = format.bytes_per_pixel - 1; b >= 0; --b) v = v << 8 | bytes[y * pitch + x * format.bytes_per_pixel + b];
        return v;
    }
    void Set(int x, int y, std::uint32_t v) {
        for (int b = 0; b < format.bytes_per_pixel; ++b) bytes[y * pitch + x * format.bytes_per_pixel + b] = static_cast<unsigned char>(v >> (8 * b));
    }
};

struct Options {
    int mirror = 0, key_to_alpha = 0;
    std::uint32_t key = 0;
    int dither = 0, color_off = 0, alpha_from_red = 0, skip_key = 0, palette_remap = 0;
    const Picture* alpha = nullptr;
};

int Blit(Picture& d, const Picture& s, const Options& o = {}, int dx = 0, int dy = 0) {
    const RECT r{0, 0, s.width, s.height};
    return ConvertColorBlt({.dest = d.bytes.data(), .dest_pitch = d.pitch, .dest_format = &d.format,
                            .src = s.bytes.data(), .src_pitch = s.pitch, .src_format = &s.format,
                            .alpha = o.alpha ? o.alpha->bytes.data() : nullptr,
                            .alpha_pitch = o.alpha ? o.alpha->pitch : 0,
                            .alpha_format = o.alpha ? &o.alpha->format : nullptr, .dest_x = dx, .dest_y = dy,
                            .src_rect = &r, .mirror = o.mirror, .key_to_alpha = o.key_to_alpha, .key = o.key,
                            .dither = o.dither, .color_off = o.color_off, .alpha_from_red = o.alpha_from_red,
                            .skip_key = o.skip_key, .palette_remap = o.palette_remap});
}

// One source pixel converted into a one-pixel destination.
std::uint32_t Convert1(const ColorFormat& df, const ColorFormat& sf, std::uint32_t pixel, const Options& o = {}) {
    Picture s(sf, 1, 1);
    s.Set(0, 0, pixel);
    Picture d(df, 1, 1);
    Blit(d, s, o);
    return d.Get(0, 0);
}

TEST(ConversionBlit, EmptyRectangleWritesNothing) {
    Picture s(kX8, 2, 2, 0, 0x11), d(kX8, 2, 2, 0, 0x22);
    const RECT r{1, 0, 1, 2};
    EXPECT_EQ(ConvertColorBlt({.dest = d.bytes.data(), .dest_pitch = d.pitch, .dest_format = &d.format,
                               .src = s.bytes.data(), .src_pitch = s.pitch, .src_format = &s.format, .src_rect = &r}),
              -1);
    for (unsigned char b : d.bytes) EXPECT_EQ(b, 0x22);
}

TEST(ConversionBlit, OneByteCopyReturnsLargestIndex) {
    Picture s(kGrey, 6, 3, 2), d(kGrey, 6, 3, 2);
    for (int i = 0; i < 18; ++i) s.Set(i % 6, i / 6, static_cast<std::uint32_t>(i));
    EXPECT_EQ(Blit(d, s), 17);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(d.Get(i % 6, i / 6), static_cast<std::uint32_t>(i));
    EXPECT_EQ(d.bytes[6], 0xCD);  // row padding untouched
}

TEST(ConversionBlit, PaletteRemapPicksNearestEntries) {
    ColorFormat a = kGrey, b{};
    SetPalette8ColorFormat(&b);
    std::memset(b.palette, 0, sizeof b.palette);
    b.palette[1] = {0, 0, 250, 0};      // red
    b.palette[2] = {255, 255, 255, 0};  // white
    Picture s(a, 3, 1), d(b, 3, 1);
    s.Set(0, 0, 0);
    s.Set(1, 0, 200);
    s.Set(2, 0, 40);
    Options o;
    o.palette_remap = 1;
    EXPECT_EQ(Blit(d, s, o), 0);
    EXPECT_EQ(d.Get(0, 0), 0u);  // black: entry 0 (first of the many black entries)
    EXPECT_EQ(d.Get(1, 0), 2u);
    EXPECT_EQ(d.Get(2, 0), 0u);
    // Equal palettes fall through to the byte copy.
    Picture d2(a, 3, 1);
    EXPECT_EQ(Blit(d2, s, o), 200);
}

TEST(ConversionBlit, OneByteDestinationFindsNearestEntry) {
    Picture s(kX8, 3, 1), d(kGrey, 3, 1);
    s.Set(0, 0, 0x00101010);
    s.Set(1, 0, 0x00FEFEFE);
    s.Set(2, 0, 0xFF0A0B0C);
    for (int mirror = 0; mirror < 2; ++mirror) {
        Options o;
        o.mirror = mirror;
        o.skip_key = 1;
        o.key = 0x00101010;
        EXPECT_EQ(Blit(d, s, o), 0);
        EXPECT_EQ(d.Get(0, 0), 0x10u);
        EXPECT_EQ(d.Get(1, 0), 0xFEu);
        EXPECT_EQ(d.Get(2, 0), 0x0Bu);
    }
    // 5- and 6-bit channels are brought to 8 bits before the search.
    EXPECT_EQ(Convert1(kGrey, kR565, 0xFFFF), 255u);
    EXPECT_EQ(Convert1(kGrey, kR565, 0x8410), 130u);
}

TEST(ConversionBlit, PathsDifferByDesign) {
    Options mirror;
    mirror.mirror = 1;
    // 565 white: the specialised loop shifts; the general path widens to full range.
    EXPECT_EQ(Convert1(kX8, kR565, 0xFFFF), 0x00F8FCF8u);
    EXPECT_EQ(Convert1(kX8, kR565, 0xFFFF, mirror), 0xFFFFFFFFu);
    EXPECT_EQ(Convert1(kRgb24, kR565, 0xFFFF), 0xF8FCF8u);
    EXPECT_EQ(Convert1(kX555, kR565, 0xFFFF), 0x7FFFu);
    EXPECT_EQ(Convert1(kX555, kR565, 0xFFFF, mirror), 0xFFFFu);
    EXPECT_EQ(Convert1(kX555, kRgb24, 0xFFFFFF), 0xFFFFu);
    EXPECT_EQ(Convert1(kR565, kX555, 0x0020), 0x0060u);
    EXPECT_EQ(Convert1(kR565, kX555, 0x03E0), 0x07E0u);
    EXPECT_EQ(Convert1(kA8, kX8, 0x00123456), 0xFF123456u);
    EXPECT_EQ(Convert1(kA8, kRgb24, 0x123456), 0xFF123456u);
}

TEST(ConversionBlit, SixteenBitLoopsHandleEveryRowLength) {
    for (int w = 1; w <= 9; ++w) {
        Picture s(kR565, w, 2, 2), d(kX555, w, 2, 2);
        Picture s2(kX555, w, 2, 2), d2(kR565, w, 2, 2);
        for (int i = 0; i < w * 2; ++i) {
            s.Set(i % w, i / w, static_cast<std::uint32_t>(0x1357 * (i + 1)) & 0xFFFF);
            s2.Set(i % w, i / w, static_cast<std::uint32_t>(0x2468 * (i + 3)) & 0x7FFF);
        }
        Blit(d, s);
        Blit(d2, s2);
        for (int i = 0; i < w * 2; ++i) {
            const std::uint32_t c = s.Get(i % w, i / w), c2 = s2.Get(i % w, i / w);
            EXPECT_EQ(d.Get(i % w, i / w), ((c & 0xFFC0) >> 1) | (c & 0x1F));
            EXPECT_EQ(d2.Get(i % w, i / w), ((c2 & 0x7FE0) << 1) | (c2 & 0x3F));
        }
        EXPECT_EQ(d.bytes[w * 2], 0xCD);
    }
}

TEST(ConversionBlit, SameFormatCopyMirrorAndSkipKey) {
    Picture s(kRgb24, 2, 2, 2), d(kRgb24, 2, 2, 2, 0);
    for (std::size_t i = 0; i < s.bytes.size(); ++i) s.bytes[i] = static_cast<unsigned char>(i + 1);
    Blit(d, s);
    for (int y = 0; y < 2; ++y)
        for (int b = 0; b < 6; ++b) EXPECT_EQ(d.bytes[y * 8 + b], s.bytes[y * 8 + b]);

    Options o;
    o.mirror = 1;
    Blit(d, s, o);
    EXPECT_EQ(d.Get(0, 0), s.Get(1, 0));
    EXPECT_EQ(d.Get(1, 1), s.Get(0, 1));

    Picture s16(kR565, 3, 1), d16(kR565, 3, 1, 0, 0);
    s16.Set(0, 0, 0xF800);
    s16.Set(1, 0, 0x1234);
    s16.Set(2, 0, 0xF800);
    Options skip;
    skip.skip_key = 1;
    skip.key = 0xABCDF800;  // cut to the pixel size
    Blit(d16, s16, skip);
    EXPECT_EQ(d16.Get(0, 0), 0u);
    EXPECT_EQ(d16.Get(1, 0), 0x1234u);
    EXPECT_EQ(d16.Get(2, 0), 0u);
    // With mirror set, skip key is ignored.
    skip.mirror = 1;
    Blit(d16, s16, skip);
    EXPECT_EQ(d16.Get(0, 0), 0xF800u);
    EXPECT_EQ(d16.Get(1, 0), 0x1234u);
}

TEST(ConversionBlit, SkipKeyOnTheGeneralPath) {
    Picture s(kX8, 2, 1), d(kR565, 2, 1, 0, 0);
    s.Set(0, 0, 0x00FF00FF);
    s.Set(1, 0, 0x00FFFFFF);
    Options o;
    o.skip_key = 1;
    o.key = 0x00FF00FF;
    Blit(d, s, o);
    EXPECT_EQ(d.Get(0, 0), 0u);
    EXPECT_EQ(d.Get(1, 0), 0xFFFFu);
}

TEST(ConversionBlit, KeyToAlpha) {
    Options key;
    key.key_to_alpha = 1;
    key.key = 0x00FF00FF;
    // Same layout: only red, green and blue count.
    EXPECT_EQ(Convert1(kA8, kX8, 0x12FF00FF, key), 0x00FF00FFu);
    EXPECT_EQ(Convert1(kA8, kX8, 0x00FF00FE, key), 0xFFFF00FEu);
    // Specialised: R8G8B8 to A1R5G5B5 compares the reduced values.
    EXPECT_EQ(Convert1(kA555, kRgb24, 0xFF07F8, key), 0x7C1Fu);
    EXPECT_EQ(Convert1(kA555, kRgb24, 0xF707F8, key), 0xF81Fu);
    EXPECT_EQ(Convert1(kA8, kRgb24, 0xFF00FF, key), 0x00FF00FFu);
    EXPECT_EQ(Convert1(kA8, kRgb24, 0xFF00FE, key), 0xFFFF00FEu);
    EXPECT_EQ(Convert1(kA555, kR565, 0xF81F, key), 0x7C1Fu);
    ColorFormat pal = kGrey;
    pal.palette[3] = {0xFF, 0x00, 0xFF, 0};
    EXPECT_EQ(Convert1(kA555, pal, 3, key), 0x7C1Fu);
    EXPECT_EQ(Convert1(kA8, pal, 3, key), 0x00FF00FFu);
    EXPECT_EQ(Convert1(kA8, pal, 4, key), 0xFF040404u);
    // General path (mirror set): the destination value is compared.
    key.mirror = 1;
    EXPECT_EQ(Convert1(kA555, kX8, 0x00FF07F8, key), 0x7C1Fu);
    EXPECT_EQ(Convert1(kA555, kX8, 0x00F707F8, key), 0xF81Fu);
    // Ignored with a source that has alpha, or with an alpha picture.
    key.mirror = 0;
    EXPECT_EQ(Convert1(kA8, kA8, 0x12FF00FF, key), 0x12FF00FFu);
    Picture alpha(kGrey, 1, 1);
    alpha.Set(0, 0, 0x40);
    key.alpha = &alpha;
    EXPECT_EQ(Convert1(kA8, kX8, 0x00FF00FF, key), 0x40FF00FFu);
}

TEST(ConversionBlit, AlphaPicture) {
    Picture s(kRgb24, 2, 1), alpha(kGrey, 2, 1);
    s.Set(0, 0, 0x102030);
    s.Set(1, 0, 0x405060);
    alpha.Set(0, 0, 0x7F);
    alpha.Set(1, 0, 0x80);
    Options o;
    o.alpha = &alpha;
    Picture d8(kA8, 2, 1);
    Blit(d8, s, o);
    EXPECT_EQ(d8.Get(0, 0), 0x7F102030u);
    EXPECT_EQ(d8.Get(1, 0), 0x80405060u);
    Picture d1(kA555, 2, 1);
    Blit(d1, s, o);
    EXPECT_EQ(d1.Get(0, 0), (0x10u >> 3 << 10) | (0x20u >> 3 << 5) | (0x30u >> 3));
    EXPECT_EQ(d1.Get(1, 0), 0x8000u | (0x40u >> 3 << 10) | (0x50u >> 3 << 5) | (0x60u >> 3));
}

TEST(ConversionBlit, AlphaFromRedAndColourOff) {
    Options o;
    o.color_off = 1;
    o.alpha_from_red = 1;
    EXPECT_EQ(Convert1(kA8, kRgb24, 0x80FFFF, o), 0x80000000u);
    const ColorFormat all16 = Format(16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
    EXPECT_EQ(Convert1(all16, kRgb24, 0x80FFFF, o), 0x8080u);
    ColorFormat all8 = Format(8, 0xFF, 0xFF, 0xFF, 0xFF);
    EXPECT_EQ(Convert1(all8, kGrey, 0x80, o), 0x80u);
    // An R8G8B8 source into that 1-byte format takes the palette search; options do nothing.
    for (int i = 0; i < 256; ++i) all8.palette[i] = {static_cast<std::uint8_t>(i), 0, 0, 0};
    EXPECT_EQ(Convert1(all8, kRgb24, 0x000033, o), Convert1(all8, kRgb24, 0x000033));
    EXPECT_EQ(Convert1(all8, kRgb24, 0x000033), 0x33u);
}

TEST(ConversionBlit, OrderedDitherFollowsTheMatrix) {
    static const int kMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Picture s(kX8, 4, 4), d(kR565, 4, 4);
    for (int i = 0; i < 16; ++i) s.Set(i % 4, i / 4, 0x00848280);
    Options o;
    o.dither = kDitherOrdered;
    Blit(d, s, o);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool up = kMatrix[y][x] < 8;  // red loses 4 of 8, green 2 of 4
            const std::uint32_t expected = (16u + up) << 11 | (32u + up) << 5 | 16u;
            EXPECT_EQ(d.Get(x, y), expected) << x << "," << y;
        }
    }
}

TEST(ConversionBlit, ErrorCarryDitherAndClamp) {
    Picture s(kX8, 4, 1), d(kR565, 4, 1);
    for (int i = 0; i < 4; ++i) s.Set(i, 0, 0x00840000);
    s.Set(3, 0, 0x00FF0000);
    Options o;
    o.dither = kDitherErrorCarry;
    Blit(d, s, o);
    EXPECT_EQ(d.Get(0, 0), 16u << 11);
    EXPECT_EQ(d.Get(1, 0), 17u << 11);
    EXPECT_EQ(d.Get(2, 0), 16u << 11);
    EXPECT_EQ(d.Get(3, 0), 31u << 11);  // 31 + carry clamps at 31
}

TEST(ConversionBlit, WritesOnlyTheTargetRectangle) {
    Picture s(kX8, 5, 3), d(kR565, 9, 6, 4, 0xEE);
    for (int i = 0; i < 15; ++i) s.Set(i % 5, i / 5, 0x00FFFFFF);
    const RECT r{1, 1, 4, 3};
    for (int mirror = 0; mirror < 2; ++mirror) {
        std::fill(d.bytes.begin(), d.bytes.end(), 0xEE);
        ConvertColorBlt({.dest = d.bytes.data(), .dest_pitch = d.pitch, .dest_format = &d.format,
                         .src = s.bytes.data(), .src_pitch = s.pitch, .src_format = &s.format, .dest_x = 2,
                         .dest_y = 3, .src_rect = &r, .mirror = mirror});
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 9; ++x) {
                const bool inside = x >= 2 && x < 5 && y >= 3 && y < 5;
                EXPECT_EQ(d.Get(x, y), inside ? 0xFFFFu : 0xEEEEu) << x << "," << y;
            }
        }
    }
}

// The specialised loops that the general path must match pixel for pixel. The general
// path is reached with mirror set; its output is mirrored back for the comparison.
TEST(ConversionBlit, SpecialisedLoopsAgreeWithGeneralPath) {
    ColorFormat pal{};
    SetPalette8ColorFormat(&pal);
    std::mt19937 rng(7);
    for (auto& e : pal.palette) e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0};
    struct Pair {
        const ColorFormat* s;
        const ColorFormat* d;
    };
    const Pair pairs[] = {{&pal, &kR565}, {&pal, &kX555}, {&pal, &kX8}, {&kRgb24, &kR565},
                          {&kRgb24, &kX555}, {&kRgb24, &kX8}, {&kRgb24, &kA8}, {&kX8, &kR565}};
    for (const Pair& p : pairs) {
        Picture s(*p.s, 7, 5, 3);
        for (auto& b : s.bytes) b = static_cast<unsigned char>(rng());
        Picture fast(*p.d, 7, 5, 1), general(*p.d, 7, 5, 1);
        Blit(fast, s);
        Options o;
        o.mirror = 1;
        Blit(general, s, o);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(fast.Get(x, y), general.Get(6 - x, y)) << p.s->bit_depth << "->" << p.d->bit_depth;
    }
}

}  // namespace
