// MEMIMG images, blend tables, draw-state helpers and the rectangle and matrix routines:
// pitch rules, views and release order, the raw fill, the table rows that the software
// renderer relies on, pixel formats, the flip counter, rectangle clipping and the cut of a
// transfer's rectangle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/draw/matrix_builders.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/memimg.h"
#include "engine/pixels/rectangles.h"

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
    ASSERT_EQ(CreateMemImgScreenFormat(&image, 8, 6, kMemImgRgb565), 0);
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
    ASSERT_EQ(CreateMemImgScreenFormat(&image, 4, 3, kMemImgXrgb8888), 0);
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

TEST(DrawState, PixelFormatsTextureSlotsAndTheFlipCounter) {
    DDPIXELFORMAT x888{};
    MakeRgbPixelFormat(&x888, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(x888.dwSize, 32u);
    ColorFormat format{};
    PixelFormatToColorFormat(&x888, &format);
    EXPECT_EQ(format.unused_mask, 0xFF000000u);
    EXPECT_EQ(format.unused_shift, 24);
    EXPECT_EQ(format.unused_width, 8);
    DDPIXELFORMAT x555{};
    MakeRgbPixelFormat(&x555, 16, 0x7C00, 0x03E0, 0x001F, 0);
    PixelFormatToColorFormat(&x555, &format);
    EXPECT_EQ(format.unused_mask, 0x8000u);
    EXPECT_EQ(format.unused_shift, 15);
    EXPECT_EQ(format.unused_width, 1);

    const std::uint8_t drawable32[9] = {0, 0, 1, 0, 0, 0, 32, 0, 0};
    const std::uint8_t alpha16[9] = {0, 1, 0, 0, 0, 1, 16, 0, 0};
    EXPECT_EQ(GetTextureFormatIndex(drawable32), 7);
    EXPECT_EQ(GetTextureFormatIndex(alpha16), 2);

    ResetFlipCount();
    GetDrawSettings()->flip_count_low = 0xFFFFFFFFu;
    CountFlip();
    EXPECT_EQ(GetFlipCount(), 0x100000000ull);
    SetFlipVSyncWait(5);
    EXPECT_EQ(GetFlipVSyncWait(), 1);
    SetFlipVSyncWait(0);
    EXPECT_EQ(GetFlipVSyncWait(), 0);
    SetFlipVSyncWait(1);
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

TEST(RectMatrix, PerspectiveRefusalsDefaultAspectAndAliasedProduct) {
    float m[16];
    SetIdentityMatrix(m);
    EXPECT_EQ(MakePerspectiveMatrix(m, 1.0f, 1.0f, 1.005f, 1.0f), -1);
    EXPECT_EQ(m[0], 1.0f);  // untouched
    EXPECT_EQ(MakePerspectiveMatrix(m, 0.0f, 1.0f, 10.0f, 1.0f), -1);
    ASSERT_EQ(MakePerspectiveMatrix(m, 1.0471976f, 1.0f, 11.0f, -1.0f), 0);
    const float h = std::cos(0.5235988f) / std::sin(0.5235988f);
    EXPECT_FLOAT_EQ(m[5], h);
    EXPECT_FLOAT_EQ(m[0], 0.75f * h);  // 480 / 640 before any screen exists
    EXPECT_FLOAT_EQ(m[14], -1.1f);
    float a[16], b[16], separate[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = static_cast<float>(i + 1);
        b[i] = static_cast<float>(16 - i);
    }
    MultiplyMatrix4(separate, a, b);
    MultiplyMatrix4(a, a, b);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], separate[i]);
    MakeOrthoMatrix(m, 320.0f, 240.0f, 640.0f, 480.0f);
    EXPECT_EQ(m[0], 320.0f);
    EXPECT_EQ(m[5], -240.0f);
    EXPECT_EQ(m[12], 320.0f);
}

}  // namespace
