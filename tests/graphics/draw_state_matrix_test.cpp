// Draw-state helpers and the matrix routines: pixel formats, texture slots, the flip
// counter, and the perspective, product and orthographic matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/draw/matrix_builders.h"
#include "engine/graphics/screen/screen_state.h"

namespace {

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
