// The glyph writers of texture glyph caches: white texels with the glyph in the alpha
// bits, the edge stamped into the staging image's right half, anti-aliased edges as the
// union of the coverages around each body pixel; checked texel by texel.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/font/texture_glyphs.h"

namespace {

constexpr int kCell = 8;

struct Staging {
    std::vector<std::uint16_t> texels;
    StagingTexels view{};
    Staging(int width, int height, bool four_bit_alpha) : texels(static_cast<std::size_t>(width) * height, 0) {
        view.pixels = texels.data();
        view.width = width;
        view.height = height;
        if (four_bit_alpha) {  // A4R4G4B4
            view.alpha_mask = 0xF000;
            view.alpha_shift = 12;
            view.alpha_width = 4;
            view.white = 0x0FFF;
        } else {  // A1R5G5B5
            view.alpha_mask = 0x8000;
            view.alpha_shift = 15;
            view.alpha_width = 1;
            view.white = 0x7FFF;
        }
    }
    std::uint16_t At(int x, int y) const { return texels[static_cast<std::size_t>(y) * view.width + x]; }
    int CountNonZero() const {
        int n = 0;
        for (std::uint16_t t : texels) n += t != 0;
        return n;
    }
};

TEST(TextureGlyphs, PlainGlyphBitsBecomeOpaqueWhiteAndTheRestOfItsBoxClearWhite) {
    Staging staging(kCell, kCell, false);
    // Two rows of three pixels: 101 / 010 (one bit a pixel, most significant first).
    const std::uint8_t bits[] = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};
    WriteGlyphToStaging(0, 0, staging.view, bits, 4, 3, 2);
    const std::uint16_t expected[2][3] = {{0xFFFF, 0x7FFF, 0xFFFF}, {0x7FFF, 0xFFFF, 0x7FFF}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(staging.At(x, y), expected[y][x]) << x << "," << y;
    }
    EXPECT_EQ(staging.CountNonZero(), 6) << "nothing outside the glyph's box";
}

TEST(TextureGlyphs, GreyLevelsBecomeFourBitAlphaLevelMinusOne) {
    Staging staging(kCell, kCell, true);
    const std::uint8_t levels[] = {0, 1, 8, 16};
    WriteGlyphToStaging(2, 0, staging.view, levels, 4, 4, 1);
    EXPECT_EQ(staging.At(0, 0), 0x0FFF);  // no coverage: white with alpha 0
    EXPECT_EQ(staging.At(1, 0), 0x0FFF);  // level 1: alpha 0
    EXPECT_EQ(staging.At(2, 0), 0x7FFF);  // level 8: alpha 7
    EXPECT_EQ(staging.At(3, 0), 0xFFFF);  // level 16: alpha 15
}

TEST(TextureGlyphs, EdgedPlainGlyphPutsItsBodyLeftAndItsEdgeStampRight) {
    Staging staging(kCell * 2, kCell + 2, false);
    const std::uint8_t bits[] = {0x80, 0, 0, 0};
    WriteGlyphToStaging(1, 1, staging.view, bits, 4, 1, 1);
    EXPECT_EQ(staging.At(1, 1), 0xFFFF) << "the body at (edge, edge)";
    // The edge: the four neighbours of (1, 1) in the right half, not the centre.
    for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {2, 1}, {1, 2}}) EXPECT_EQ(staging.At(kCell + x, y), 0xFFFF);
    EXPECT_EQ(staging.At(kCell + 1, 1), 0);
    EXPECT_EQ(staging.CountNonZero(), 5);
}

TEST(TextureGlyphs, EdgedGreyGlyphJoinsOverlappingEdgeCoverages) {
    Staging staging(kCell * 2, kCell + 2, true);
    // Two half-covered pixels two apart: their edge stamps meet at (2, 1) of the right half.
    const std::uint8_t levels[] = {8, 0, 8, 0};
    WriteGlyphToStaging(3, 1, staging.view, levels, 4, 3, 1);
    EXPECT_EQ(staging.At(1, 1), 0x7FFF);  // body level 8
    EXPECT_EQ(staging.At(2, 1), 0x0FFF);  // no body coverage, inside the box
    EXPECT_EQ(staging.At(3, 1), 0x7FFF);
    EXPECT_EQ(staging.At(kCell + 1, 0), 0x7FFF);  // one stamp: level 8
    // Two stamps: 16 - (16 - 8) x (16 - 8) / 16 = 12, alpha 11.
    EXPECT_EQ(staging.At(kCell + 2, 1), 0xBFFF);
    EXPECT_EQ(staging.At(kCell + 1, 1), 0x0FFF) << "the centre of a stamp gets no edge";
    // Outside the (width + 2 edge) x (height + 2 edge) box nothing is written.
    EXPECT_EQ(staging.At(5, 1), 0);
    EXPECT_EQ(staging.At(1, 3), 0);
}

TEST(TextureGlyphs, WritesOutsideTheStagingImageAreDropped) {
    Staging staging(4, 2, false);
    const std::uint8_t bits[] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
    WriteGlyphToStaging(0, 0, staging.view, bits, 4, 8, 3);
    EXPECT_EQ(staging.CountNonZero(), 8);
}

}  // namespace
