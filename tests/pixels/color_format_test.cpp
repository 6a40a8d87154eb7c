// Colour formats: building from masks, presets, comparison and the single-value
// conversions, checked against exact values.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/pixels/color_format.h"

namespace {

ColorFormat Built(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    ColorFormat f{};
    BuildColorFormat(&f, depth, r, g, b, a);
    return f;
}

TEST(ColorFormat, BuildFromMasksTable) {
    struct Case {
        int depth;
        std::uint32_t r, g, b, a;
        int widths[4];
        int shifts[4];
        std::uint32_t unused;
        int unused_shift, unused_width;
        int bytes;
    };
    const Case cases[] = {
        {16, 0xF800, 0x07E0, 0x001F, 0, {5, 6, 5, 0}, {11, 5, 0, 0}, 0, 0, 0, 2},
        {16, 0x7C00, 0x03E0, 0x001F, 0, {5, 5, 5, 0}, {10, 5, 0, 0}, 0x8000, 15, 1, 2},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, {8, 8, 8, 0}, {16, 8, 0, 0}, 0xFF000000u, 24, 8, 4},
        {16, 0x0F00, 0x00F0, 0x000F, 0xF000, {4, 4, 4, 4}, {8, 4, 0, 12}, 0, 0, 0, 2},
        // A mask with a gap keeps the mask but only the first run counts.
        {16, 0x0F0F, 0, 0, 0, {4, 0, 0, 0}, {0, 0, 0, 0}, 0xF0F0, 4, 4, 2},
        {4, 0x1, 0x2, 0x4, 0, {1, 1, 1, 0}, {0, 1, 2, 0}, 0x8, 3, 1, 0},
        {32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000u, {10, 10, 10, 2}, {20, 10, 0, 30}, 0, 0, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.r);
        const ColorFormat f = Built(c.depth, c.r, c.g, c.b, c.a);
        EXPECT_EQ(f.red_width, c.widths[0]);
        EXPECT_EQ(f.green_width, c.widths[1]);
        EXPECT_EQ(f.blue_width, c.widths[2]);
        EXPECT_EQ(f.alpha_width, c.widths[3]);
        EXPECT_EQ(f.red_shift, c.shifts[0]);
        EXPECT_EQ(f.green_shift, c.shifts[1]);
        EXPECT_EQ(f.blue_shift, c.shifts[2]);
        EXPECT_EQ(f.alpha_shift, c.shifts[3]);
        EXPECT_EQ(f.red_mask, c.r);
        EXPECT_EQ(f.unused_mask, c.unused);
        EXPECT_EQ(f.unused_shift, c.unused_shift);
        EXPECT_EQ(f.unused_width, c.unused_width);
        EXPECT_EQ(f.bytes_per_pixel, c.bytes);
        EXPECT_EQ(f.bit_depth, c.depth);
    }
}

TEST(ColorFormat, UpdateUnusedBitsKeepsShiftAndWidth) {
    ColorFormat f = Built(16, 0xF800, 0x07E0, 0x001F, 0);
    f.unused_mask = 0x1234;
    f.unused_shift = 7;
    f.unused_width = 3;
    UpdateUnusedBitsMask(&f);
    EXPECT_EQ(f.unused_mask, 0u);
    EXPECT_EQ(f.unused_shift, 7);
    EXPECT_EQ(f.unused_width, 3);

    ColorFormat x = Built(16, 0x7C00, 0x03E0, 0x001F, 0);
    x.unused_mask = 0;
    UpdateUnusedBitsMask(&x);
    EXPECT_EQ(x.unused_mask, 0x8000u);
    ColorFormat x32{};
    SetXrgb32ColorFormat(&x32);
    x32.unused_mask = 0;
    UpdateUnusedBitsMask(&x32);
    EXPECT_EQ(x32.unused_mask, 0xFF000000u);
}

TEST(ColorFormat, PresetsSetOnlyTheirFields) {
    ColorFormat f;
    std::memset(&f, 0xAB, sizeof f);
    SetArgb32ColorFormat(&f);
    EXPECT_EQ(f.alpha_mask, 0xFF000000u);
    EXPECT_EQ(f.unused_mask, 0u);
    EXPECT_EQ(f.unused_shift, 0xAB);  // not set by the preset
    EXPECT_EQ(f.unused_width, 0xAB);
    EXPECT_EQ(f.palette[5].red, 0xAB);
    EXPECT_EQ(f.format_code, 0u);

    SetXrgb32ColorFormat(&f);
    EXPECT_EQ(f.unused_shift, 24);
    EXPECT_EQ(f.unused_width, 8);
    EXPECT_EQ(f.alpha_width, 0);

    std::memset(&f, 0xAB, sizeof f);
    SetPalette8ColorFormat(&f);
    EXPECT_EQ(f.bytes_per_pixel, 1);
    EXPECT_EQ(f.unused_mask, 0xFF000000u);
    EXPECT_EQ(f.palette[7].blue, 0xAB);
    SetGrey8ColorFormat(&f);
    EXPECT_EQ(f.palette[7].blue, 7);
    EXPECT_EQ(f.palette[7].red, 7);
    EXPECT_EQ(f.palette[7].reserved, 0);
    EXPECT_EQ(f.palette[255].green, 255);

    SetRgb24ColorFormat(&f);
    EXPECT_EQ(f.bit_depth, 24);
    EXPECT_EQ(f.bytes_per_pixel, 3);
    EXPECT_EQ(f.unused_mask, 0u);
}

TEST(ColorFormat, SameFormatComparesDepthAndMasksOnly) {
    ColorFormat x{}, a{};
    SetXrgb32ColorFormat(&x);
    SetArgb32ColorFormat(&a);
    EXPECT_EQ(IsSameColorFormat(&x, &a), 0);
    ColorFormat g1{}, g2{};
    SetGrey8ColorFormat(&g1);
    SetPalette8ColorFormat(&g2);
    g2.palette[3].red = 99;
    EXPECT_EQ(IsSameColorFormat(&g1, &g2), 1);
    ColorFormat z1{}, z2{};
    z1.format_code = 1;
    z2.format_code = 2;
    EXPECT_EQ(IsSameColorFormat(&z1, &z2), 0);
    z2.format_code = 1;
    EXPECT_EQ(IsSameColorFormat(&z1, &z2), 1);
}

TEST(ColorFormat, MakeColorValue) {
    ColorFormat grey{};
    SetGrey8ColorFormat(&grey);
    EXPECT_EQ(MakeColorValueInFormat(&grey, 10, 10, 10, 0), 10u);
    EXPECT_EQ(MakeColorValueInFormat(&grey, 11, 10, 10, 0), 10u);
    grey.palette[200] = grey.palette[40];
    EXPECT_EQ(MakeColorValueInFormat(&grey, 40, 40, 40, 0), 40u);  // the first of equal minima

    const ColorFormat r565 = Built(16, 0xF800, 0x07E0, 0x001F, 0);
    EXPECT_EQ(MakeColorValueInFormat(&r565, 255, 255, 255, 77), 0xFFFFu);
    EXPECT_EQ(MakeColorValueInFormat(&r565, 0x1FF, 0x100, 0x108, 0), 0xF801u);  // channels cut to 8 bits

    ColorFormat x{}, a{};
    SetXrgb32ColorFormat(&x);
    SetArgb32ColorFormat(&a);
    EXPECT_EQ(MakeColorValueInFormat(&x, 1, 2, 3, 4), 0xFF010203u);
    EXPECT_EQ(MakeColorValueInFormat(&a, 1, 2, 3, 4), 0x04010203u);

    // Channels wider than 8 bits scale 255 to their largest value.
    const ColorFormat a2r10 = Built(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000u);
    EXPECT_EQ(MakeColorValueInFormat(&a2r10, 255, 0, 255, 255), 0xFFF003FFu);
    EXPECT_EQ(MakeColorValueInFormat(&a2r10, 0, 0, 0, 0), 0u);
}

TEST(ColorFormat, SplitColorValue) {
    const ColorFormat r565 = Built(16, 0xF800, 0x07E0, 0x001F, 0);
    std::uint32_t r = 9, g = 9, b = 9, al = 9;
    SplitColorValueInFormat(&r565, 0x001F, &r, &g, &b, &al);
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(g, 0u);
    EXPECT_EQ(b, 255u);
    EXPECT_EQ(al, 0u);
    SplitColorValueInFormat(&r565, 0x0410, &r, &g, nullptr, nullptr);
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(g, 32u * 255 / 63);

    // A format without a red channel splits red as 0 rather than dividing by zero.
    const ColorFormat blue_only = Built(8, 0, 0, 0xFF, 0);
    SplitColorValueInFormat(&blue_only, 0x80, &r, &g, &b, &al);
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(b, 0x80u);
    const ColorFormat a2r10 = Built(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000u);
    SplitColorValueInFormat(&a2r10, 0xFFFFFFFFu, &r, &g, &b, &al);
    EXPECT_EQ(r, 255u);
    EXPECT_EQ(al, 255u);
}

TEST(ColorFormat, ConvertColorValueShiftsWithoutReplication) {
    const ColorFormat r565 = Built(16, 0xF800, 0x07E0, 0x001F, 0);
    ColorFormat x{}, a{};
    SetXrgb32ColorFormat(&x);
    SetArgb32ColorFormat(&a);
    EXPECT_EQ(ConvertColorValue(&x, &r565, 0xFFFF), 0xFFF8FCF8u);
    EXPECT_EQ(ConvertColorValue(&a, &x, 0x00123456), 0xFF123456u);
    EXPECT_EQ(ConvertColorValue(&r565, &a, 0x80FF8040), (0xF8u << 8) | (0x80u >> 2 << 5) | (0x40u >> 3));
    const ColorFormat a1 = Built(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
    EXPECT_EQ(ConvertColorValue(&a1, &a, 0x80000000u), 0x8000u);
    EXPECT_EQ(ConvertColorValue(&a1, &a, 0x7F000000u), 0x0000u);
}

TEST(ColorFormat, DitherFlagIsOff) { EXPECT_EQ(GetDitherFlag(), 0); }

}  // namespace
