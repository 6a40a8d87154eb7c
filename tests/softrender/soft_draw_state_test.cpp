// The draw-state record: the blit, the fill and the lines draw from a state the test makes
// itself, with rows of its own, while the draw settings say to draw nothing; the settings
// are read by the named entry points only.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/softrender/blit_unscaled.h"
#include "engine/softrender/draw_lines.h"
#include "engine/softrender/fill_rect.h"
#include "soft_fixtures.h"

namespace {

// A state over rows owned by the test: every product is 1, so an add of any colour adds 1
// to each channel; no global table is consulted.
struct OwnRows {
    std::uint32_t product[256];
    std::int32_t signed_product[511];
    std::uint8_t mix[64 * 64];
    std::uint8_t weights[256];
    OwnRows() {
        for (auto& p : product) p = 1;
        for (auto& q : signed_product) q = 0;
        std::memset(mix, 0, sizeof mix);
        std::memset(weights, 0, sizeof weights);
    }
    SoftDrawState State(int mode, int value, RECT area) const {
        SoftDrawState s{};
        s.blend_mode = mode;
        s.blend_value = value;
        s.bright[0] = s.bright[1] = s.bright[2] = 255;
        s.draw_area = area;
        s.value_row = product;
        s.signed_row = signed_product + 255;
        s.mix_plane = mix;
        for (auto& row : s.bright_row) row = product;
        s.weights = weights;
        s.mmx = true;
        return s;
    }
};

TEST(SoftDrawState, DrawsFollowTheGivenStateAndNotTheDrawSettings) {
    // Settings that would draw nothing anywhere.
    DrawSettingsBlock* settings = GetDrawSettings();
    const DrawSettingsBlock saved = *settings;
    settings->blend_mode = 7;
    settings->blend_value = 0;
    settings->draw_area = RECT{0, 0, 0, 0};
    const DrawSettingsBlock poisoned = *settings;

    const OwnRows rows;
    const SoftDrawState state = rows.State(2, 128, RECT{1, 0, 4, 2});
    // Packed add of 0x010101 to 0x101010: blue exact, green and red keep the ORed lowest bit.
    constexpr std::uint32_t kAdded = 0x00111111u;

    TestImage filled(5, 2, kMemImgXrgb8888);
    filled.fill(0x00101010);
    FillMemImgRectWith(state, filled.get(), nullptr, 0x00804020);
    TestImage blitted(5, 2, kMemImgXrgb8888), src(5, 2, kMemImgXrgb8888, 0, 0, 0, 0xFF000000u);
    blitted.fill(0x00101010);
    src.fill(0x00804020);
    DrawMemImgWith(state, blitted.get(), src.get(), 0, 0, 0, nullptr);
    TestImage lined(5, 2, kMemImgXrgb8888);
    lined.fill(0x00101010);
    const LineListItem items[] = {{0, 0, 5, 0, 0x00804020, 0}, {0, 1, 5, 1, 0x00804020, 0}};
    DrawMemImgLinesWith(state, lined.get(), items, 2);

    for (TestImage* img : {&filled, &blitted, &lined}) {
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(img->get(x, y), x >= 1 && x < 4 ? kAdded : 0x00101010u) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(std::memcmp(settings, &poisoned, sizeof poisoned), 0);
    // The named entries do read the settings: they draw nothing here.
    TestImage untouched(5, 2, kMemImgXrgb8888);
    FillMemImgRect(untouched.get(), nullptr, 0x00FFFFFF);
    DrawMemImg(untouched.get(), src.get(), 0, 0, 0, nullptr);
    DrawMemImgLines(untouched.get(), items, 2);
    EXPECT_EQ(untouched.get(2, 1), 0u);
    *settings = saved;
}

TEST(SoftDrawState, StateFromSettingsPicksRowsOfTheBlendValueAndBrightColour) {
    SetDrawState(3, 300, 0x00102030, RECT{1, 2, 3, 4});
    const SoftDrawState s = SoftDrawStateFromSettings();
    const BlendTables* t = GetBlendTables();
    EXPECT_EQ(s.blend_mode, 3);
    EXPECT_EQ(s.blend_value, 255);  // clamped
    EXPECT_EQ(s.value_row, t->product[255]);
    EXPECT_EQ(s.signed_row, &t->signed_product[255][256]);
    EXPECT_EQ(s.mix_plane, &t->mix[63][0][0]);
    EXPECT_EQ(s.bright_row[0], t->product[0x30]);
    EXPECT_EQ(s.bright_row[1], t->product[0x20]);
    EXPECT_EQ(s.bright_row[2], t->product[0x10]);
    EXPECT_EQ(s.weights, t->blend_graph_weight);
    EXPECT_EQ(s.draw_area.left, 1);
    EXPECT_EQ(s.draw_area.bottom, 4);
    SetDrawState(1, -5);
    EXPECT_EQ(SoftDrawStateFromSettings().blend_value, 0);
    EXPECT_EQ(SoftDrawStateFromSettings().value_row, t->product[0]);
}

}  // namespace
