// Shared pieces of the font tests: an engine started headless (window mode: a 32-bit
// screen; full screen: a 16-bit one) with the back buffer chosen and cleared, glyphs of
// fixed shape put in place of the font's own, and reading pixels of MEMIMG images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/font/font.h"
#include "engine/font/font_internal.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_state.h"
#include "platform/testing/font_testing.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/font_testing.h"

namespace font_test {

// A glyph of fixed shape from rows of '.' (level 0), '#' (16) or hex digits 0-f (levels
// 0-15), placed `origin_y` pixels above the baseline.
inline font_testing::FixedGlyph Glyph(const std::vector<std::string>& rows, int advance, int origin_x = 0,
                                      int origin_y = 12) {
    font_testing::FixedGlyph glyph{rows.empty() ? 0 : static_cast<int>(rows[0].size()),
                                   static_cast<int>(rows.size()), origin_x, origin_y, advance, {}};
    for (const std::string& row : rows) {
        for (char c : row) {
            int v = 0;
            if (c == '#') v = 16;
            else if (c >= '0' && c <= '9') v = c - '0';
            else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
            glyph.levels.push_back(static_cast<std::uint8_t>(v));
        }
    }
    return glyph;
}

// The back buffer's pixel as 0x00RRGGBB.
inline std::uint32_t BackPixelAt(int x, int y) {
    const MEMIMG& image = GetScreenState()->back_image;
    const int bytes = MemImgBytesPerPixel(&image);
    std::uint32_t raw = 0;
    std::memcpy(&raw, image.pixels + y * image.block->pitch + x * bytes, static_cast<std::size_t>(bytes));
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    SplitColorValueInFormat(image.block->format, raw, &r, &g, &b, &a);
    return r << 16 | g << 8 | b;
}

class EngineUp : public ::testing::Test {
protected:
    explicit EngineUp(bool window_mode = true) : session_(window_mode) {}
    void SetUp() override {
        ASSERT_EQ(ApiInitializeLibrary(), 0);
        ASSERT_EQ(ApiChooseDrawTarget(kDrawTargetBack), 0);
        ASSERT_EQ(ApiClearDrawTarget(), 0);
    }
    void TearDown() override {
        font_testing::ClearFixedGlyphs();
        GetFontManager()->glyph_slot_count = 0;
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
        EXPECT_EQ(font_testing::LiveFontCount(), 0);
    }
    engine_test::EngineSession session_;
};

class EngineUpFullScreen : public EngineUp {
protected:
    EngineUpFullScreen() : EngineUp(false) {}
};

inline std::uint32_t RawPixel(const MEMIMG* image, int x, int y) {
    const int bytes = MemImgBytesPerPixel(image);
    std::uint32_t raw = 0;
    std::memcpy(&raw, image->pixels + y * image->block->pitch + x * bytes, static_cast<std::size_t>(bytes));
    return raw;
}

}  // namespace font_test
