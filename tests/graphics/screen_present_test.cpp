// The screen end to end, headless: start-up falls back to software rendering with GDI
// output in a window and in full screen, a flip shows exactly the back buffer (at window
// scale 1 and stretched at scale 2), a front-buffer target waits one blank and shows
// nothing, refused display modes fall back to 640 x 480 x 16 with -2, and shutdown
// leaves nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/system_block.h"
#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/display_testing.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"

using engine_test::EngineSession;
using engine_test::MaskedLog;

namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Writes a pattern into the back image: every pixel different, in the image's own format.
void PaintBackPattern() {
    MEMIMG& back = GetScreenState()->back_image;
    const int bytes = MemImgBytesPerPixel(&back);
    for (int y = 0; y < back.height; ++y) {
        for (int x = 0; x < back.width; ++x) {
            std::uint8_t* at = back.pixels + y * back.block->pitch + x * bytes;
            const std::uint32_t rgb = static_cast<std::uint32_t>((x * 7) & 0xFF) << 16 |
                                      static_cast<std::uint32_t>((y * 5) & 0xFF) << 8 |
                                      static_cast<std::uint32_t>((x + y) & 0xFF);
            const std::uint32_t value = MakeColorValueInFormat(back.block->format, rgb >> 16, (rgb >> 8) & 0xFF,
                                                               rgb & 0xFF, 255);
            std::memcpy(at, &value, static_cast<std::size_t>(bytes));
        }
    }
}

// The back image's pixel as the window shows it (0x00RRGGBB, channels widened).
std::uint32_t BackPixelShown(int x, int y) {
    const MEMIMG& back = GetScreenState()->back_image;
    const int bytes = MemImgBytesPerPixel(&back);
    std::uint32_t raw = 0;
    std::memcpy(&raw, back.pixels + y * back.block->pitch + x * bytes, static_cast<std::size_t>(bytes));
    if (bytes == 4) return raw & 0xFFFFFFu;
    const std::uint32_t r = (raw >> 11) & 31, g = (raw >> 5) & 63, b = raw & 31;
    return ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}

void ExpectFrameIsBack(const platform_hooks::PresentedFrame& frame, int scale) {
    const MEMIMG& back = GetScreenState()->back_image;
    ASSERT_EQ(frame.width, back.width * scale);
    ASSERT_EQ(frame.height, back.height * scale);
    int mismatches = 0;
    for (int y = 0; y < frame.height && mismatches < 5; ++y) {
        for (int x = 0; x < frame.width && mismatches < 5; ++x) {
            const std::uint32_t want = BackPixelShown(x / scale, y / scale);
            const std::uint32_t got = frame.pixels[static_cast<std::size_t>(y) * frame.width + x];
            if (want != got) {
                ADD_FAILURE() << "pixel " << x << "," << y << " want " << std::hex << want << " got " << got;
                ++mismatches;
            }
        }
    }
}

TEST(ScreenStartup, WindowModeFallsBackToGdiOutputAndFlipShowsTheBackBuffer) {
    EngineSession session(true);
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const ScreenState* screen = GetScreenState();
    EXPECT_EQ(screen->gdi_output, 1);
    EXPECT_EQ(screen->software_render, 1);
    EXPECT_NE(GetDirectDrawObject(), nullptr);  // kept for the vertical blank
    int width = 0, height = 0;
    ReadScreenSize(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    // A window takes the desktop's depth.
    EXPECT_EQ(GetScreenBitDepth(), 32);
    EXPECT_EQ(GetDrawTarget(), kDrawTargetFront);

    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    ASSERT_EQ(ApiClearDrawTarget(), 0);
    PaintBackPattern();
    capture.Take();
    const std::uint64_t flips = GetFlipCount();
    ASSERT_EQ(ApiFlipScreen(), 0);
    EXPECT_EQ(GetFlipCount(), flips + 1);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    ExpectFrameIsBack(frames[0], 1);
    EXPECT_EQ(screen->front_image_stale, 1);

    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(GetDirectDrawObject(), nullptr);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_TRUE(Contains(log, "T:ソフトウエアレンダリングモードに変更します\r\n"));
    EXPECT_TRUE(Contains(log, "T:DirectDraw 関連の終了処理は正常に終了しました\r\n"));
}

TEST(ScreenStartup, ScaleTwoStretchesEveryPixelToTwoByTwo) {
    EngineSession session(true);
    GetSystemBlock()->settings.window_scale = 2.0;
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    PaintBackPattern();
    capture.Take();
    ASSERT_EQ(ApiFlipScreen(), 0);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    ExpectFrameIsBack(frames[0], 2);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(ScreenStartup, APartialRepaintCopiesTheDirtyAreaInPlace) {
    EngineSession session(true);
    GetSystemBlock()->settings.window_scale = 2.0;
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    PaintBackPattern();
    ASSERT_EQ(ApiFlipScreen(), 0);
    // Change the back image, then repaint only (10, 10, 20, 20) of the client area.
    MEMIMG& back = GetScreenState()->back_image;
    FillMemImgRectRaw(&back, nullptr, 0);
    capture.Take();
    const RECT dirty{10, 10, 20, 20};
    ASSERT_EQ(PresentToWindow(&dirty), 0);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    const auto& frame = frames[0];
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const std::uint32_t got = frame.pixels[static_cast<std::size_t>(y) * frame.width + x];
            const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
            if (inside) {
                EXPECT_EQ(got, 0u) << x << "," << y;
            } else {
                const std::uint32_t before = static_cast<std::uint32_t>(((x / 2) * 7) & 0xFF) << 16 |
                                             static_cast<std::uint32_t>(((y / 2) * 5) & 0xFF) << 8 |
                                             static_cast<std::uint32_t>((x / 2 + y / 2) & 0xFF);
                EXPECT_EQ(got, before) << x << "," << y;
            }
        }
    }
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(ScreenStartup, AFrontBufferTargetWaitsOneBlankAndShowsNothing) {
    EngineSession session(true);
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetFront), 0);
    capture.Take();
    const std::uint64_t flips = GetFlipCount();
    const std::uint64_t before = session.clock().Nanoseconds();
    ASSERT_EQ(ApiFlipScreen(), 0);
    EXPECT_EQ(GetFlipCount(), flips + 1);
    EXPECT_TRUE(capture.Take().empty());
    // The wait ends inside the next blank, at most one frame later.
    const std::uint64_t after = session.clock().Nanoseconds();
    EXPECT_GT(after, before);
    EXPECT_LT(after % 16666667u, 1400000u);
    EXPECT_LT(after - before, 2 * 16666667u);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

TEST(ScreenStartup, FullScreenRunsAt640By480In16BitsAndPresents) {
    EngineSession session(false);
    PresentCapture capture;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const ScreenState* screen = GetScreenState();
    EXPECT_EQ(screen->gdi_output, 1);
    EXPECT_EQ(GetScreenBitDepth(), 16);
    EXPECT_EQ(screen->format_index, 0);  // RGB565
    EXPECT_EQ(IsDisplayModeChanged(), 1);
    EXPECT_EQ(MakeColorValue(255, 255, 255), 0xFFFFu);
    ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
    PaintBackPattern();
    capture.Take();
    ASSERT_EQ(ApiFlipScreen(), 0);
    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 1u);
    ExpectFrameIsBack(frames[0], 1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(IsDisplayModeChanged(), 0);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_TRUE(Contains(log, "T:ソフトウエアレンダリングモードに変更します\r\n"));
    EXPECT_TRUE(Contains(log, "画面モードの変更処理を開始します 640 x 480  16 bit \r\n"));
    EXPECT_TRUE(Contains(log, "画面解像度を変更します... 成功しました\r\n"));
}

TEST(ScreenStartup, RefusedModesFallBackTo640By480By16WithMinusTwo) {
    EngineSession session(false);
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(ChangeScreenMode(800, 600, 16, 0, -1), 0);
    int width = 0, height = 0, bits = 0;
    ReadScreenModeSize(&width, &height, &bits);
    EXPECT_EQ(width, 800);
    {
        RefuseDisplayModes refuse({}, true);
        const std::uint64_t before = session.clock().Nanoseconds();
        EXPECT_EQ(ChangeScreenMode(1024, 768, 32, 0, -1), -2);
        // A second change within two seconds waits until 2,060 ms after the first.
        EXPECT_GE(session.clock().Nanoseconds() - before, 2000000000u);
    }
    ReadScreenModeSize(&width, &height, &bits);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(GetScreenBitDepth(), 16);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
}

}  // namespace
