// The font's screen-sized surface behind blended and anti-aliased text: a surface the
// graphics side deleted is made again before the next string, a make that fails (the
// surface table full) is tried again at the string after, and the default font's size
// and thickness outlive a screen-mode change.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/graphs/surface_2d.h"
#include "tests/font/font_fixture.h"
#include "tests/support/engine_testing/graphics_testing.h"

using font_test::EngineUp;

namespace {

class FontSurface : public EngineUp {};

TEST_F(FontSurface, LostSurfaceIsMadeAgainAndAFailedMakeIsRetried) {
    const int font = CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    FontHandleRecord* record = GetFontRecord(font);
    ASSERT_GE(record->screen_surface, 0);
    ASSERT_EQ(record->screen_surface_lost, 0);
    ASSERT_EQ(DeleteSurface2D(record->screen_surface), 0);
    EXPECT_EQ(record->screen_surface_lost, 1);

    // Fill the surface table so the surface cannot be made.
    GraphCreationBytes bytes{};
    bytes.bit_depth = 32;
    std::vector<int> fillers{AddSurface2D(2, 2, 0, 0, -1, nullptr, 0, 0, &bytes)};
    ASSERT_GE(fillers[0], 0);
    while (GetSurface2DCount() < kSurface2DSlots) {
        const int handle = AddSurface2D(1, 1, 0, 0, -1, GetSurface2DRecord(fillers[0]), 0, 0, &bytes);
        ASSERT_GE(handle, 0);
        fillers.push_back(handle);
    }
    const std::uint32_t white = ApiMakeColorValue(255, 255, 255);
    EXPECT_EQ(DrawStringWithFontHandle(0, 0, "AAA", white, font, 0, 0), -1);
    EXPECT_EQ(record->screen_surface_lost, 1);
    EXPECT_EQ(font_test::BackPixelAt(4, 8), 0u);

    DeleteSurface2D(fillers.back());
    fillers.pop_back();
    EXPECT_EQ(DrawStringWithFontHandle(0, 0, "AAA", white, font, 0, 0), 0);
    EXPECT_EQ(record->screen_surface_lost, 0);
    int ink = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 40; ++x) ink += font_test::BackPixelAt(x, y) != 0;
    EXPECT_GT(ink, 20);
    for (auto it = fillers.rbegin(); it != fillers.rend(); ++it) DeleteSurface2D(*it);
}

TEST_F(FontSurface, DefaultFontSizeOutlivesAScreenModeChange) {
    ASSERT_EQ(SetDefaultFontSettings(nullptr, 24, 3), 0);
    ASSERT_EQ(ChangeScreenMode(-1, -1, -1, 1, -1), 0);
    const int font = GetDefaultFontHandle();
    ASSERT_EQ(IsFontHandleValid(font), 1);
    EXPECT_EQ(GetFontSize(font), 24);
    EXPECT_EQ(GetFontRecord(font)->thickness, 3);
    // The on-screen log makes its font again at its next use.
    EXPECT_EQ(ApiScreenLogPrintf("after"), 0);
    EXPECT_EQ(IsFontHandleValid(GetScreenLogState()->font_handle), 1);
}

}  // namespace
