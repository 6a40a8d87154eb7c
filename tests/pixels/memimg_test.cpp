// MEMIMG images, blend tables and the rectangle routines: pitch rules, views and release
// order, the raw fill, the table rows that the software renderer relies on, rectangle
// clipping and the cut of a transfer's rectangle.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "engine/pixels/pixels.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/pixels_testing.h"

namespace {

TEST(MemImg, PitchAndLog2PitchFollowTheSixteenByteRule) {
    struct Case {
        int kind, width, pitch, log2;
    } cases[] = {{1, 10, 48, -1}, {1, 16, 64, 6}, {0, 2, 16, -1}, {2, 16, 16, 4}, {3, 8, 16, 4}};
    for (const Case& c : cases) {
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, c.width, 3, -1, 0, c.kind, 0, 0, 0, nullptr), 0);
        EXPECT_EQ(image.block->pitch, c.pitch) << c.kind << " " << c.width;
        EXPECT_EQ(image.block->log2_pitch, c.log2) << c.kind << " " << c.width;
        ReleaseMemImg(&image);
    }
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(MemImg, FlagsAreForcedByKindAndACreatedViewIsRefused) {
    MEMIMG image{};
    ASSERT_EQ(CreateMemImg(&image, 4, 4, -1, 0, kMemImgChannel8, 1, 1, 1, nullptr), 0);
    EXPECT_EQ(image.block->palette_flag, 0);
    EXPECT_EQ(image.block->alpha_flag, 0);
    EXPECT_EQ(image.block->run_table, nullptr);  // no run table for kind 2
    EXPECT_EQ(CreateMemImg(&image, 4, 4, -1, 0, kMemImgChannel8, 0, 0, 0, nullptr), -1);
    ReleaseMemImg(&image);
    MEMIMG palette{};
    ASSERT_EQ(CreateMemImg(&palette, 4, 4, -1, 0, kMemImgRgb565, 1, 1, 0, nullptr), 0);
    EXPECT_EQ(palette.block->palette_flag, 1);
    EXPECT_EQ(palette.block->alpha_flag, 0);
    EXPECT_EQ(palette.block->palette_copy, palette.block->palette + 1024);
    EXPECT_EQ(MemImgBytesPerPixel(&palette), 1);
    ReleaseMemImg(&palette);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(MemImg, ViewsShareTheBlockUntilTheLastOneIsReleased) {
    MEMIMG image{};
    ASSERT_EQ(CreateMemImgOfKind(&image, 8, 6, kMemImgRgb565), 0);
    MEMIMG view{};
    CreateMemImgView(&view, &image, 2, 1, 6, 5);  // right and bottom edges exactly
    ASSERT_TRUE(IsMemImgValid(&view));
    EXPECT_EQ(view.pixels, image.pixels + image.block->pitch + 4);
    EXPECT_EQ(image.block->reference_count, 2);
    MEMIMG refused{};
    CreateMemImgView(&refused, &image, 2, 1, 7, 5);
    EXPECT_FALSE(IsMemImgValid(&refused));
    ReleaseMemImg(&image);
    EXPECT_FALSE(IsMemImgValid(&image));
    // The pixels live on for the view.
    FillMemImgRectRaw(&view, nullptr, 0x1234);
    EXPECT_GT(TrackedLiveBlockCount(), 0);
    ReleaseMemImg(&view);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    std::uint16_t own[4 * 2] = {};
    MEMIMG wrapped{};
    ASSERT_EQ(CreateMemImg(&wrapped, 4, 2, 8, 0, kMemImgRgb565, 0, 0, 0, own), 0);
    FillMemImgRectRaw(&wrapped, nullptr, 0xBEEF);
    ReleaseMemImg(&wrapped);  // the caller's memory stays
    EXPECT_EQ(own[7], 0xBEEF);
}

TEST(MemImg, RawFillIsCutToTheView) {
    MEMIMG image{};
    ASSERT_EQ(CreateMemImgOfKind(&image, 4, 3, kMemImgXrgb8888), 0);
    FillMemImgRectRaw(&image, nullptr, 0);
    const RECT partly{2, -5, 9, 2};
    FillMemImgRectRaw(&image, &partly, 0xFF00FF00u);
    const RECT outside{5, 0, 9, 3};
    FillMemImgRectRaw(&image, &outside, 0x12345678u);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            std::uint32_t v;
            std::memcpy(&v, image.pixels + y * image.block->pitch + x * 4, 4);
            EXPECT_EQ(v, (x >= 2 && y < 2) ? 0xFF00FF00u : 0u) << x << "," << y;
        }
    }
    ReleaseMemImg(&image);
}

TEST(MemImg, FormatCachesHandOutOneRecordPerSlot) {
    const ColorFormat* a = GetMemImgColorFormat(0, 0, 0);
    EXPECT_EQ(a, GetMemImgColorFormat(0, 0, 0));
    EXPECT_EQ(a->red_mask, 0xF800u);
    EXPECT_EQ(GetMemImgColorFormat(1, 1, 0)->alpha_mask, 0xFF000000u);
    EXPECT_EQ(GetMemImgColorFormat(3, 0, 0)->bytes_per_pixel, 2);
    EXPECT_EQ(GetMemImgColorFormat(4, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgPixelFormat(1, 0, 0)->dwFlags, DDPF_RGB);
    EXPECT_EQ(GetMemImgPixelFormat(2, 0, 0)->dwSize, 0u);
}

TEST(BlendTables, RowsTruncateTowardZero) {
    BuildBlendTables();
    EXPECT_EQ(SignedProductRow(255)[-200], -200);
    EXPECT_EQ(SignedProductRow(0)[77], 0);
    EXPECT_EQ(SignedProductRow(128)[-254], -127);
    EXPECT_EQ(SignedProductRow(128)[-255], -128);
    const BlendTables* t = GetBlendTables();
    EXPECT_EQ(t->product[255][200], 200u);
    EXPECT_EQ(t->product[1][254], 0u);
    EXPECT_EQ(t->product[1][255], 1u);
    EXPECT_EQ(t->mix[63][10][50], 10);
    EXPECT_EQ(t->mix[0][10][50], 50);
    EXPECT_EQ(t->mix[32][63][0], 32);
}

TEST(BlendTables, BlendGraphWeights) {
    const std::uint8_t* w = GetBlendTables()->blend_graph_weight;
    BuildBlendGraphWeightTable(0, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(w[i], 255);
    BuildBlendGraphWeightTable(255, 0);
    EXPECT_EQ(w[254], 0);
    EXPECT_EQ(w[255], 1);
    BuildBlendGraphWeightTable(128, 0);
    EXPECT_EQ(w[127], 0);
    EXPECT_EQ(w[128], 128);
    EXPECT_EQ(w[129], 255);
    BuildBlendGraphWeightTable(128, 255);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(w[i], i);
}

TEST(RectMatrix, ClipRectToRectInItsFixedOrder) {
    struct Case {
        RECT a, b, want;
    } cases[] = {
        {{10, 10, 5, 20}, {0, 0, 100, 100}, {10, 10, 10, 20}},
        {{-50, -50, 50, 50}, {0, 0, 640, 480}, {0, 0, 50, 50}},
        {{700, 10, 800, 20}, {0, 0, 640, 480}, {640, 10, 640, 20}},
    };
    for (const Case& c : cases) {
        RECT a = c.a;
        ClipRectToRect(&a, &c.b);
        EXPECT_EQ(a.left, c.want.left);
        EXPECT_EQ(a.top, c.want.top);
        EXPECT_EQ(a.right, c.want.right);
        EXPECT_EQ(a.bottom, c.want.bottom);
    }
    RECT flipped{30, 40, 10, 5};
    NormalizeRect(&flipped);
    int w = 0, h = 0;
    GetRectSize(&flipped, &w, nullptr);
    GetRectSize(&flipped, nullptr, &h);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 35);
}

TEST(RectMatrix, OrderedMovedAndEmptyRectangles) {
    const RECT ordered = OrderedRect(30, 5, 10, 40);
    EXPECT_EQ((std::array<LONG, 4>{ordered.left, ordered.top, ordered.right, ordered.bottom}),
              (std::array<LONG, 4>{10, 5, 30, 40}));
    const RECT moved = MovedRect(RECT{1, 2, 3, 4}, -10, 20);
    EXPECT_EQ((std::array<LONG, 4>{moved.left, moved.top, moved.right, moved.bottom}),
              (std::array<LONG, 4>{-9, 22, -7, 24}));
    EXPECT_FALSE(IsRectEmpty(RECT{0, 0, 1, 1}));
    EXPECT_TRUE(IsRectEmpty(RECT{0, 0, 0, 1}));
    EXPECT_TRUE(IsRectEmpty(RECT{0, 0, 1, 0}));
    EXPECT_TRUE(IsRectEmpty(RECT{5, 0, 1, 1}));  // reversed
}

// A transfer's source rectangle cut to a 10x8 source and, at the destination point, to a
// 6x5 destination; the point moves with the cut.
TEST(RectMatrix, ClipTransferRectCutsBothEnds) {
    struct Case {
        RECT rect;
        int x, y;
        bool kept;
        RECT want;
        int want_x, want_y;
    } cases[] = {
        {{0, 0, 4, 4}, 1, 1, true, {0, 0, 4, 4}, 1, 1},
        {{-2, -3, 4, 4}, 0, 0, true, {0, 0, 4, 2}, 2, 3},          // off the source's top left
        {{0, 0, 10, 8}, -3, -1, true, {3, 1, 9, 6}, 0, 0},          // off the destination's top left
        {{5, 5, 20, 20}, 2, 2, true, {5, 5, 9, 8}, 2, 2},           // past both right and bottom edges
        {{0, 0, 4, 4}, 6, 0, false, {0, 0, 4, 4}, 6, 0},            // wholly past the destination
        {{3, 0, 2, 4}, 0, 0, false, {3, 0, 2, 4}, 0, 0},            // reversed
        {{INT32_MIN, 0, INT32_MAX, 4}, INT32_MAX, 0, false, {INT32_MIN, 0, INT32_MAX, 4}, INT32_MAX, 0},
        {{INT32_MIN, 0, INT32_MAX, 4}, 0, 0, false, {INT32_MIN, 0, INT32_MAX, 4}, 0, 0},  // moved past it
        {{0, 0, INT32_MAX, 2}, INT32_MIN, 0, false, {0, 0, INT32_MAX, 2}, INT32_MIN, 0},  // no wrap-around
        {{0, 0, INT32_MAX, 2}, -8, 0, true, {8, 0, 10, 2}, 0, 0},
    };
    for (const Case& c : cases) {
        RECT rect = c.rect;
        int x = c.x, y = c.y;
        EXPECT_EQ(ClipTransferRect(10, 8, 6, 5, &rect, &x, &y), c.kept) << c.rect.left << "," << c.rect.top;
        EXPECT_EQ((std::array<LONG, 6>{rect.left, rect.top, rect.right, rect.bottom, x, y}),
                  (std::array<LONG, 6>{c.want.left, c.want.top, c.want.right, c.want.bottom, c.want_x, c.want_y}))
            << c.rect.left << "," << c.rect.top;
    }
}

}  // namespace
