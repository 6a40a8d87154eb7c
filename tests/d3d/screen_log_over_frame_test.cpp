// The on-screen log drawn over a frame on the Direct3D renderer leaves the program's own
// draw settings in force for the next frame: a tint and a translucent blend set once
// still shade the texture draws after the log was drawn and the frame flipped.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "engine/include/vomur.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

class ScreenLogOverFrame : public d3d_test::D3DDrawSession {};

struct SettingsCase {
    const char* name;
    int bright;      // grey tint
    int blend_mode;  // kBlendNone or kBlendAlpha
    int blend_value;
    std::uint32_t expected;  // a white texel drawn over black
};

TEST_F(ScreenLogOverFrame, TheProgramsTintAndBlendHoldAfterTheLogIsDrawn) {
    const SettingsCase cases[] = {
        {"tint", 0x80, kBlendNone, 0, 0x808080},
        {"translucent", 0xFF, kBlendAlpha, 0x80, 0x808080},
    };
    const GraphRecord* white = MakeTextureGraph(8, 8, [](int, int) { return 0xFFFFFFu; });
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SetBrightColorRGB(c.bright, c.bright, c.bright), 0);
        ASSERT_EQ(SetBlendModeAndValue(c.blend_mode, c.blend_value), 0);
        // The log's white and black glyphs are drawn over this frame, then it is flipped.
        ASSERT_EQ(ApiScreenLogPrintf("LOG"), 0);
        ASSERT_EQ(ApiFlipScreen(), 0);
        FillBack(0x000000);
        ASSERT_EQ(DrawGraphD3D(300, 200, 300.0f, 200.0f, white, 0, 1), 0);
        const std::vector<std::uint32_t> pixels = ReadBack(RECT{300, 200, 308, 208});
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_NEAR(static_cast<int>(pixels[i] & 0xFF), static_cast<int>(c.expected & 0xFF), 1) << i;
            ASSERT_NEAR(static_cast<int>(pixels[i] >> 8 & 0xFF), static_cast<int>(c.expected >> 8 & 0xFF), 1) << i;
            ASSERT_NEAR(static_cast<int>(pixels[i] >> 16), static_cast<int>(c.expected >> 16), 1) << i;
        }
        ASSERT_EQ(SetBlendModeAndValue(kBlendNone, 0), 0);
        ASSERT_EQ(SetBrightColorRGB(255, 255, 255), 0);
    }
}

}  // namespace
