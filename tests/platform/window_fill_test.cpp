// FillRect on a window's drawing context paints the window's picture (the engine fills
// its window with the background colour before the screen exists).
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/testing/display_testing.h"
#include "tests/platform/window_recorder.h"

namespace {

TEST_F(WindowTest, FillRectPaintsTheWindowPictureWithASolidBrush) {
    HWND window = Create(WS_POPUP, 0, 0, 0, 64, 48);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    PresentCapture capture;
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    const RECT all{0, 0, 64, 48};
    ASSERT_EQ(FillRect(dc, &all, brush), 1);
    const RECT corner{8, 4, 16, 12};
    ASSERT_EQ(FillRect(dc, &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    // The null brush paints nothing and shows nothing.
    ASSERT_EQ(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
    ReleaseDC(window, dc);
    DeleteObject(brush);

    const auto frames = capture.Take();
    ASSERT_EQ(frames.size(), 2u);
    const auto& last = frames.back();
    ASSERT_EQ(last.width, 64);
    ASSERT_EQ(last.height, 48);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 8 && x < 16 && y >= 4 && y < 12;
            ASSERT_EQ(last.pixels[y * 64 + x] & 0xFFFFFFu, inside ? 0xFFFFFFu : 0x0A141Eu) << x << "," << y;
        }
    }
}

}  // namespace
