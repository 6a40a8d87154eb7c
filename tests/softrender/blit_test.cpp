// The unscaled blit's known cases: pixel values of each blend mode and path, what
// draws nothing, the run-table choice, and pieces of one divided sheet drawn exactly.
#include <gtest/gtest.h>

#include "blit_reference.h"
#include "engine/core/system_block.h"
#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/softrender/blit_unscaled.h"
#include "soft_fixtures.h"

namespace {

struct RowCase {
    const char* name;
    int kind, mode, value, transparent;
    std::vector<std::uint32_t> dest, src, expected;
};

// A one-row source (key 0) drawn at (0, 0) over a one-row destination, under an explicit
// state with the given MMX flag.
std::vector<std::uint32_t> DrawRow(const RowCase& c, bool mmx = true) {
    const int n = static_cast<int>(c.src.size());
    TestImage src(n, 1, c.kind);
    TestImage dst(n, 1, c.kind);
    for (int i = 0; i < n; ++i) {
        src.set(i, 0, c.src[i]);
        dst.set(i, 0, c.dest[i]);
    }
    DrawMemImgWith(TestState(c.mode, c.value, 0xFFFFFF, {0, 0, 640, 480}, mmx), dst.get(), src.get(), 0, 0,
                   c.transparent, nullptr);
    std::vector<std::uint32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(dst.get(i, 0));
    return out;
}

TEST(Blit, ExactPixelValues) {
    // With the MMX flag, 32-bit add and subtract at value 255 are the exact byte-saturating forms.
    const RowCase cases[] = {
        {"half blend 32", 1, 1, 128, 0, {0x00000000}, {0xFFFFFFFF}, {0x007F7F7F}},
        {"add 255 32 exact, fourth byte saturating", 1, 2, 255, 0, {0x10F0F0F0}, {0x20202020}, {0x30FFFFFF}},
        {"add 255 32 ones", 1, 2, 255, 0, {0x00010101}, {0x00010101}, {0x00020202}},
        {"add 254 32 ones unchanged", 1, 2, 254, 0, {0x00010101}, {0x00010101}, {0x00010101}},
        {"add 255 565 pairs", 0, 2, 255, 0, {0xF000, 0x0000, 0xF000}, {0x1000, 0x0000, 0x1000},
         {0xF800, 0x0001, 0xF800}},
        {"subtract 255 32", 1, 3, 255, 0, {0x00101010}, {0x00202020}, {0x00000000}},
        {"subtract 255 32 zeros", 1, 3, 255, 0, {0x00000000}, {0x00000000}, {0x00000000}},
        {"subtract 255 565 one", 0, 3, 255, 0, {0x0000}, {0x0000}, {0x0800}},
        {"subtract 255 565 three", 0, 3, 255, 0, {0, 0, 0}, {0, 0, 0}, {0x0800, 0x0801, 0x0800}},
        {"subtract 0 nothing", 1, 3, 0, 0, {0x12345678}, {0x00FFFFFF}, {0x12345678}},
        {"mode 10 at 255 on 565", 0, 10, 255, 0, {0x0000}, {0x1234}, {0xEDCB}},
        {"mode 10 at 255 on 32", 1, 10, 255, 0, {0x00102030}, {0x00405060},
         {((0x10u * 256 + (255 - 0x40 - 0x10) * 255) >> 8 << 16) | ((0x20u * 256 + (255 - 0x50 - 0x20) * 255) >> 8 << 8) |
          ((0x30u * 256 + (255 - 0x60 - 0x30) * 255) >> 8)}},
        {"mode 7 nothing", 1, 7, 255, 0, {0x12345678}, {0}, {0x12345678}},
        {"mode 1 at 255 is mode 0", 1, 1, 255, 0, {0x12345678}, {0xAB000001}, {0xAB000001}},
        {"mode 1 at 0 nothing", 0, 1, 0, 0, {0x1234}, {0xFFFF}, {0x1234}},
        {"mode 2 at 0 nothing", 0, 2, 0, 0, {0x1234}, {0xFFFF}, {0x1234}},
    };
    for (const auto& c : cases) EXPECT_EQ(DrawRow(c), c.expected) << c.name;
}

// The 32-bit value-255 add and subtract in both forms: byte saturation with the MMX flag,
// the packed add without its lowest-bit term and the packed subtract without it. RGB565
// pairs are the same under either flag.
TEST(Blit, ValueTwoFiftyFiveAddAndSubtractFollowTheMmxFlag) {
    struct FlagCase {
        bool mmx;
        RowCase row;
    };
    const FlagCase cases[] = {
        {false, {"add 240+32, fourth bytes 0", 1, 2, 255, 0, {0x00F0F0F0}, {0x00202020}, {0x01FFFFFF}}},
        {true, {"add 240+32, fourth bytes 0", 1, 2, 255, 0, {0x00F0F0F0}, {0x00202020}, {0x00FFFFFF}}},
        {false, {"add fourth bytes disregarded", 1, 2, 255, 0, {0x10F0F0F0}, {0x20202020}, {0x01FFFFFF}}},
        {true, {"add fourth bytes saturate", 1, 2, 255, 0, {0x10F0F0F0}, {0x20202020}, {0x30FFFFFF}}},
        {true, {"add fourth bytes clamp", 1, 2, 255, 0, {0x90000000}, {0x80000000}, {0xFF000000}}},
        {false, {"add channels 1", 1, 2, 255, 0, {0x00010101}, {0x00010101}, {0x00000002}}},
        {true, {"add channels 1", 1, 2, 255, 0, {0x00010101}, {0x00010101}, {0x00020202}}},
        {false, {"add 254 channels 1 unchanged", 1, 2, 254, 0, {0x00010101}, {0x00010101}, {0x00010101}}},
        {true, {"add 254 channels 1 unchanged", 1, 2, 254, 0, {0x00010101}, {0x00010101}, {0x00010101}}},
        {false, {"subtract 16-32", 1, 3, 255, 0, {0x00101010}, {0x00202020}, {0x00000000}}},
        {true, {"subtract 16-32", 1, 3, 255, 0, {0x00101010}, {0x00202020}, {0x00000000}}},
        {false, {"subtract zero from zero", 1, 3, 255, 0, {0x00000000}, {0x00000000}, {0x00010100}}},
        {true, {"subtract zero from zero", 1, 3, 255, 0, {0x00000000}, {0x00000000}, {0x00000000}}},
        {false, {"subtract zero from a pixel", 1, 3, 255, 0, {0x12345678}, {0x00000000}, {0x00355778}}},
        {true, {"subtract zero from a pixel", 1, 3, 255, 0, {0x12345678}, {0x00000000}, {0x12345678}}},
        {true, {"subtract fourth bytes", 1, 3, 255, 0, {0x30808080}, {0x40108000}, {0x00700080}}},
        // Keyed (key 0): the key pixel keeps the destination under either form.
        {false, {"add keyed", 1, 2, 255, 1, {0x00F0F0F0, 0x00F0F0F0}, {0x00202020, 0x00000000},
                 {0x01FFFFFF, 0x00F0F0F0}}},
        {true, {"add keyed", 1, 2, 255, 1, {0x00F0F0F0, 0x00F0F0F0}, {0x00202020, 0x00000000},
                {0x00FFFFFF, 0x00F0F0F0}}},
        {false, {"subtract keyed", 1, 3, 255, 1, {0x00000000, 0x00000000}, {0x00000000, 0x00010101},
                 {0x00000000, 0x00010000}}},
        {true, {"subtract keyed", 1, 3, 255, 1, {0x00000000, 0x00000000}, {0x00000000, 0x00010101},
                {0x00000000, 0x00000000}}},
        {false, {"add 565 pairs", 0, 2, 255, 0, {0xF000, 0x0000, 0xF000}, {0x1000, 0x0000, 0x1000},
                 {0xF800, 0x0001, 0xF800}}},
        {true, {"add 565 pairs", 0, 2, 255, 0, {0xF000, 0x0000, 0xF000}, {0x1000, 0x0000, 0x1000},
                {0xF800, 0x0001, 0xF800}}},
        {false, {"subtract 565 three", 0, 3, 255, 0, {0, 0, 0}, {0, 0, 0}, {0x0800, 0x0801, 0x0800}}},
        {true, {"subtract 565 three", 0, 3, 255, 0, {0, 0, 0}, {0, 0, 0}, {0x0800, 0x0801, 0x0800}}},
    };
    for (const auto& c : cases) EXPECT_EQ(DrawRow(c.row, c.mmx), c.row.expected) << c.row.name << " mmx " << c.mmx;
}

// The named entry reads the engine's MMX flag into its state.
TEST(Blit, NamedEntryTakesTheEnginesMmxFlag) {
    SystemBlock* system = GetSystemBlock();
    const std::int32_t saved = system->mmx;
    for (const int flag : {0, 1}) {
        system->mmx = flag;
        EXPECT_EQ(SoftDrawStateFromSettings().mmx, flag == 1);
        TestImage src(1, 1, kMemImgXrgb8888, 0, 0, 0, 0xFF000000u), dst(1, 1, kMemImgXrgb8888);
        src.set(0, 0, 0x00202020);
        dst.set(0, 0, 0x00F0F0F0);
        SetDrawState(2, 255, 0xFFFFFF, {0, 0, 1, 1});
        DrawMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
        EXPECT_EQ(dst.get(0, 0), flag ? 0x00FFFFFFu : 0x01FFFFFFu);
    }
    system->mmx = saved;
}

TEST(Blit, MultiplyWithAlphaSkipsOrBlackensAlphaZeroPixels) {
    for (int clip = 0; clip < 2; ++clip) {
        TestImage src(4, 1, kMemImgXrgb8888, 0, 1);
        TestImage dst(4, 1, kMemImgXrgb8888);
        src.fill(0x00808080);  // alpha 0
        dst.fill(0x5A406080);
        SetDrawState(4, 0, 0xFFFFFF, {0, 0, clip ? 3 : 4, 1});
        DrawMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
        EXPECT_EQ(dst.get(0, 0), 0x5A406080u);
        DrawMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
        EXPECT_EQ(dst.get(0, 0), 0x5A000000u);
        EXPECT_EQ(dst.get(3, 0), clip ? 0x5A406080u : 0x5A000000u);
    }
}

TEST(Blit, BlendImageWeights) {
    TestImage src(2, 1, kMemImgXrgb8888), dst(2, 1, kMemImgXrgb8888), blend(2, 1, kMemImgChannel8);
    src.fill(0x00FFFFFF);
    dst.fill(0x00000000);
    SetDrawState(0, 0);
    BuildBlendGraphWeightTable(0, 0);  // every weight 255
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, blend.get());
    EXPECT_EQ(dst.get(0, 0), 0x00FEFEFEu);  // d + (s - d) x 255 / 256, not s
    BuildBlendGraphWeightTable(255, 0);     // weight 0 for bytes below 255
    dst.fill(0x00123456);
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, blend.get());
    EXPECT_EQ(dst.get(1, 0), 0x00123456u);
    // A blend image that is too small or not one 8-bit channel refuses the draw.
    TestImage small(1, 1, kMemImgChannel8), wrong(2, 1, kMemImgXrgb8888);
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, small.get());
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, wrong.get());
    EXPECT_EQ(dst.get(0, 0), 0x00123456u);
}

TEST(Blit, HalfBlendAtValue128DiffersBetweenRunTableAndPlainPaths) {
    TestImage src(4, 2, kMemImgXrgb8888, 0, 0, 1, 0xFF000000u);
    src.fill(0x00010101);
    BuildTransparencyRunTable(src.get());
    src->block->run_table_valid = 1;
    TestImage dst(8, 4, kMemImgXrgb8888);
    dst.fill(0x00010101);
    SetDrawState(1, 128, 0xFFFFFF, {0, 0, 8, 4});
    DrawMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);  // unclipped: run table
    EXPECT_EQ(dst.get(0, 0), 0x00010101u);
    DrawMemImg(dst.get(), src.get(), 5, 0, 1, nullptr);  // clipped: plain half blend
    EXPECT_EQ(dst.get(5, 0), 0x00000000u);
    EXPECT_EQ(dst.get(7, 1), 0x00000000u);
}

TEST(Blit, WhatDrawsNothing) {
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 16, 16});
    TestImage src(4, 4, kMemImgXrgb8888);
    src.fill(0x00FFFFFF);
    struct Target { int kind, palette, alpha; } targets[] = {{0, 0, 0}, {1, 1, 0}, {1, 0, 1}, {2, 0, 0}};
    for (const auto& t : targets) {
        TestImage dst(16, 16, t.kind, t.palette, t.alpha);
        const auto before = dst.bytes_of_block();
        DrawMemImg(dst.get(), src.get(), 2, 2, 0, nullptr);
        EXPECT_EQ(dst.bytes_of_block(), before) << t.kind << t.palette << t.alpha;
    }
    TestImage dst(16, 16, kMemImgXrgb8888);
    const auto before = dst.bytes_of_block();
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{16, 0}, {-4, 0}, {0, 16}, {0, -4}, {INT32_MAX, 0}}) {
        DrawMemImg(dst.get(), src.get(), x, y, 0, nullptr);
    }
    EXPECT_EQ(dst.bytes_of_block(), before);
}

TEST(Blit, BrightColourFourthByteIsIgnoredAndTintsOtherwise) {
    TestImage src(1, 1, kMemImgXrgb8888, 0, 1), dst(1, 1, kMemImgXrgb8888);
    src.set(0, 0, 0x80FF8040);  // alpha 128
    dst.set(0, 0, 0x11000000);
    SetDrawState(0, 0, 0xFFFFFFFF);
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x80FF8040u);  // white, flag 0: copied whole, alpha included
    dst.set(0, 0, 0x11000000);
    SetDrawState(0, 0, 0xFFFFFE);
    DrawMemImg(dst.get(), src.get(), 0, 0, 0, nullptr);
    // Blue tinted to 0x40 x 254 / 255 = 63, then every channel mixed by alpha 128.
    EXPECT_EQ(dst.get(0, 0), 0x11000000u | ((255u * 128 >> 8) << 16) | ((128u * 128 >> 8) << 8) | (63u * 128 >> 8));
}

// Pieces of one sheet: views smaller than their block, whose block has a valid run table
// for the whole sheet. Each piece must draw its own pixels and nothing outside its place.
TEST(Blit, DividedSheetPiecesDrawExactlyAndLeaveTheGuardBand) {
    for (int kind = 0; kind < 2; ++kind) {
        std::mt19937 rng(3 + kind);
        const std::uint32_t key = kind == 0 ? 0xF81Fu : 0x00FF00FFu;
        TestImage sheet(64, 32, kind, 0, 0, 1, key);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) sheet.set(x, y, rng() % 3 == 0 ? key : (rng() & (kind == 0 ? 0xFFFF : 0xFFFFFF)));
        BuildTransparencyRunTable(sheet.get());
        sheet->block->run_table_valid = 1;
        for (int piece = 0; piece < 8; ++piece) {
            MEMIMG view{};
            CreateMemImgView(&view, sheet.get(), (piece % 4) * 16, (piece / 4) * 16, 16, 16);
            ASSERT_TRUE(IsMemImgValid(&view));
            TestImage a(48, 48, kind), b(48, 48, kind);
            a.fill(kind == 0 ? 0x1234 : 0x00123456);
            b.fill(kind == 0 ? 0x1234 : 0x00123456);
            const auto before = a.bytes_of_block();
            SetDrawState(0, 0, 0xFFFFFF, {0, 0, 48, 48});
            DrawMemImg(a.get(), &view, 16, 16, 1, nullptr);
            ReferenceDrawMemImg(SoftDrawStateFromSettings(), b.get(), &view, 16, 16, 1, nullptr);
            EXPECT_EQ(a.bytes_of_block(), b.bytes_of_block()) << "piece " << piece;
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 48; ++x) {
                    const bool inside = x >= 16 && x < 32 && y >= 16 && y < 32;
                    const std::uint32_t s = inside ? sheet.get((piece % 4) * 16 + x - 16, (piece / 4) * 16 + y - 16) : 0;
                    const std::uint32_t expected = inside && s != key ? s : (kind == 0 ? 0x1234u : 0x00123456u);
                    ASSERT_EQ(a.get(x, y), expected) << "piece " << piece << " at " << x << "," << y;
                }
            }
            (void)before;
            ReleaseMemImg(&view);
        }
    }
}

TEST(Blit, TransparentFlagTwoSkipsKeysButNeverTakesTheRunTable) {
    TestImage src(4, 1, kMemImgRgb565, 0, 0, 1, 0x0000);
    src.set(0, 0, 0x0000);
    src.set(1, 0, 0x1111);
    src.set(2, 0, 0x0000);
    src.set(3, 0, 0x2222);
    BuildTransparencyRunTable(src.get());
    src->block->run_table_valid = 1;
    // Corrupt the table: a path that used it would draw the key pixels.
    std::memset(src->block->run_table, 0x43, 1);
    TestImage dst(4, 1, kMemImgRgb565);
    dst.fill(0x5555);
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 4, 1});
    DrawMemImg(dst.get(), src.get(), 0, 0, 2, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x5555u);
    EXPECT_EQ(dst.get(1, 0), 0x1111u);
    EXPECT_EQ(dst.get(2, 0), 0x5555u);
    EXPECT_EQ(dst.get(3, 0), 0x2222u);
}

}  // namespace

namespace {

// Indices past the entries a write counted still read that write's converted palette,
// never another image's leftovers.
TEST(Blit, PaletteIndicesPastTheCountReadTheBlocksOwnPalette) {
    TestImage src(2, 1, kMemImgXrgb8888, 1, 0, 0, 0x00);
    src.set(0, 0, 1);
    src.set(1, 0, 200);
    std::uint32_t e1 = 0x00112233, e200 = 0x00445566;
    std::memcpy(src->block->palette + 4 * 1, &e1, 4);
    std::memcpy(src->block->palette + 4 * 200, &e200, 4);
    src->block->palette_count = 2;
    TestImage dst(2, 1, kMemImgXrgb8888);
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 2, 1});
    DrawMemImg(dst.get(), src.get(), 0, 0, 1, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x00112233u);
    EXPECT_EQ(dst.get(1, 0), 0x00445566u);
}

}  // namespace

namespace {

// An image drawn onto itself, shifted: rows go top to bottom, each row copied as a whole.
TEST(Blit, ImageDrawnOntoItselfShiftedCopiesRowByRow) {
    TestImage img(8, 4, kMemImgXrgb8888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) img.set(x, y, static_cast<std::uint32_t>(y * 8 + x));
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 8, 4});
    DrawMemImg(img.get(), img.get(), 1, 0, 0, nullptr);
    for (int x = 1; x < 8; ++x) EXPECT_EQ(img.get(x, 2), static_cast<std::uint32_t>(16 + x - 1));
    EXPECT_EQ(img.get(0, 2), 16u);
    // Shifted down, each row is drawn from the row above after that one was drawn.
    DrawMemImg(img.get(), img.get(), 0, 1, 0, nullptr);
    for (int y = 1; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(img.get(x, y), img.get(x, 0)) << x << "," << y;
}

}  // namespace
