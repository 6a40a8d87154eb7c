// The rectangle fill: corners in any order, clipping to the draw area, the blend modes'
// pixel values on both depths, the bright colour and the targets it leaves alone.
#include <gtest/gtest.h>

#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/softrender/fill_rect.h"
#include "soft_fixtures.h"

namespace {

int CountChanged(TestImage& img, std::uint32_t background) {
    int n = 0;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x) n += img.get(x, y) != background;
    return n;
}

TEST(FillRect, CornersAreNormalisedAndEmptyRectanglesFillNothing) {
    SetDrawState(0, 255);
    struct Case { RECT rect; int pixels; } cases[] = {
        {{10, 10, 0, 0}, 100}, {{0, 0, 10, 10}, 100}, {{0, 0, 1, 1}, 1}, {{5, 0, 5, 10}, 0},
        {{-5, -5, 3, 2}, 6}, {{700, 0, 800, 10}, 0}, {{15, 18, 30, 30}, 10},
    };
    for (const auto& c : cases) {
        TestImage img(20, 20, kMemImgXrgb8888);
        SetDrawState(0, 255, 0xFFFFFF, {0, 0, 20, 20});
        FillMemImgRect(img.get(), &c.rect, 0x11223344u);
        EXPECT_EQ(CountChanged(img, 0), c.pixels) << c.rect.left << "," << c.rect.top;
    }
}

TEST(FillRect, OnlyTheOverlapWithTheDrawAreaIsFilled) {
    TestImage img(20, 20, kMemImgRgb565);
    SetDrawState(0, 0, 0xFFFFFF, {5, 5, 10, 10});
    FillMemImgRect(img.get(), nullptr, 0xFFFF);
    EXPECT_EQ(CountChanged(img, 0), 25);
    EXPECT_EQ(img.get(5, 5), 0xFFFFu);
    EXPECT_EQ(img.get(10, 10), 0u);
}

struct PixelCase {
    const char* name;
    int kind, mode, value;
    std::uint32_t bright, dest, colour, expected;
};

TEST(FillRect, PixelRulesOfEachMode) {
    const PixelCase cases[] = {
        {"32 mode1 v255 is mode0 with X", 1, 1, 255, 0xFFFFFF, 0x00000000, 0xAB102030, 0xAB102030},
        {"32 mode1 v128 keeps X", 1, 1, 128, 0xFFFFFF, 0x5A000000, 0x00FFFFFF, 0x5A7F7F7F},
        {"32 mode1 v0 nothing", 1, 1, 0, 0xFFFFFF, 0x12345678, 0x00FFFFFF, 0x12345678},
        {"32 mode2 v0 nothing", 1, 2, 0, 0xFFFFFF, 0x12345678, 0x00FFFFFF, 0x12345678},
        {"32 mode3 v0 nothing", 1, 3, 0, 0xFFFFFF, 0x12345678, 0x00FFFFFF, 0x12345678},
        {"32 mode10 v0 unchanged", 1, 10, 0, 0xFFFFFF, 0x12345678, 0x00FFFFFF, 0x12345678},
        {"32 mode11 v0 unchanged", 1, 11, 0, 0xFFFFFF, 0x12345678, 0x00FFFFFF, 0x12345678},
        {"32 mode4 ignores v", 1, 4, 0, 0xFFFFFF, 0x77808080, 0x00808080, 0x77404040},
        // (d x s) >> 8, not / 255: 0xFF x 0xFF gives 0xFE, 0xFF x 0x80 gives 0x7F, 0xFF x 1 gives 0.
        {"32 mode4 FF x FF", 1, 4, 0, 0xFFFFFF, 0x77FFFFFF, 0x00FFFFFF, 0x77FEFEFE},
        {"32 mode4 FF x 80, 01", 1, 4, 255, 0xFFFFFF, 0x00FF80FF, 0xAB80FF01, 0x007F7F00},
        {"32 mode2 red saturates, X carry", 1, 2, 255, 0xFFFFFF, 0x00F01010, 0x00202020, 0x01FF3030},
        {"32 mode2 blue carry", 1, 2, 255, 0xFFFFFF, 0x000000F0, 0x00000020, 0x000001FF},
        {"16 mode2 blue 31+1", 0, 2, 255, 0xFFFFFF, 0x001F, 0x0001, 0x003F},
        {"32 mode3 underflow", 1, 3, 255, 0xFFFFFF, 0x00101010, 0x00202020, 0x00000000},
        {"32 bright white untouched", 1, 0, 0, 0xFFFFFF, 0, 0x00FF8001, 0x00FF8001},
        {"32 bright 128 halves", 1, 0, 0, 0x808080, 0, 0x00FF8101, 0x007F4000},
        {"32 bright red 255 -> 254", 1, 0, 0, 0xFFFF80, 0, 0x00FF0000, 0x00FE0000},
        {"16 bright 128 halves", 0, 0, 0, 0x808080, 0, 0xFFFF, (15u << 11) | (31u << 5) | 15u},
        {"16 mode10 v255 inverted", 0, 10, 255, 0xFFFFFF, 0x0000, 0x1234, 0xEDCB},
        {"16 mode1 v128", 0, 1, 128, 0xFFFFFF, 0x0000, 0xFFFF, (15u << 11) | (31u << 5) | 15u},
        {"16 mode4", 0, 4, 7, 0xFFFFFF, 0xFFFF, 0x8410, (15u << 11) | (32u * 63 >> 6 << 5) | (16u * 31 >> 5)},
        {"32 mode 7 nothing", 1, 7, 255, 0xFFFFFF, 0x12345678, 0, 0x12345678},
        {"16 mode 9 nothing", 0, 9, 255, 0xFFFFFF, 0x1234, 0, 0x1234},
        {"32 mode 12 nothing", 1, 12, 255, 0xFFFFFF, 0x12345678, 0, 0x12345678},
    };
    for (const auto& c : cases) {
        TestImage img(3, 2, c.kind);
        img.fill(c.dest);
        SetDrawState(c.mode, c.value, c.bright);
        const RECT r{1, 0, 2, 1};
        FillMemImgRect(img.get(), &r, c.colour);
        EXPECT_EQ(img.get(1, 0), c.expected) << c.name;
        EXPECT_EQ(img.get(0, 0), c.dest) << c.name;
        EXPECT_EQ(img.get(1, 1), c.dest) << c.name;
    }
}

TEST(FillRect, TargetsOfOtherKindsOrWithPaletteOrAlphaAreNeverChanged) {
    SetDrawState(0, 255);
    struct Target { int kind, palette, alpha; } targets[] = {{2, 0, 0}, {3, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 1}, {0, 0, 1}};
    for (const auto& t : targets) {
        TestImage img(4, 4, t.kind, t.palette, t.alpha);
        const auto before = img.bytes_of_block();
        FillMemImgRect(img.get(), nullptr, 0xFFFFFFFFu);
        EXPECT_EQ(img.bytes_of_block(), before) << t.kind << t.palette << t.alpha;
    }
}

}  // namespace

namespace {

TEST(FillRect, MultiplyBlendOnBothDepths) {
    const PixelCase cases[] = {
        // t = (d x s) >> 8 = 0x40, then mixed by 128 from 0x80: (0x80 x 256 + (0x40 - 0x80) x 128) >> 8 = 0x60.
        {"32 mode11 v128", 1, 11, 128, 0xFFFFFF, 0x33808080, 0x00808080, 0x33606060},
        {"32 mode11 v255", 1, 11, 255, 0xFFFFFF, 0x00808080, 0x00808080, 0x00404040},
        // t = 0xFF x 0xFF >> 8 = 0xFE; (0xFF x 256 + (0xFE - 0xFF) x v) >> 8 = 0xFE at 255 and 128.
        {"32 mode11 v255 FF x FF", 1, 11, 255, 0xFFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE},
        {"32 mode11 v128 FF x FF", 1, 11, 128, 0xFFFFFF, 0x33FFFFFF, 0x00FFFFFF, 0x33FEFEFE},
        // Fields 31/63/31 times 16/32/16: targets 15/31/15, value 255 reaches them exactly.
        {"16 mode11 v255", 0, 11, 255, 0xFFFFFF, 0xFFFF, 0x8410, (15u << 11) | (31u << 5) | 15u},
        {"32 mode10 v255", 1, 10, 255, 0xFFFFFF, 0x00000000, 0x00FF0F00, 0x0000EFFE},  // 255 x 255 >> 8, 240 x 255 >> 8, 0
    };
    for (const auto& c : cases) {
        TestImage img(1, 1, c.kind);
        img.fill(c.dest);
        SetDrawState(c.mode, c.value, c.bright);
        FillMemImgRect(img.get(), nullptr, c.colour);
        EXPECT_EQ(img.get(0, 0), c.expected) << c.name;
    }
}

}  // namespace
