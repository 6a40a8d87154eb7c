// Test hooks of the GDI font layer: glyphs of fixed shape in place of the font's own
// for chosen characters, and the count of fonts not yet deleted.
#pragma once

#include <cstdint>
#include <vector>

namespace font_testing {

struct FixedGlyph {
    int width;
    int height;
    int origin_x;
    int origin_y;  // the bitmap's top above the baseline
    int advance;
    std::vector<std::uint8_t> levels;  // width x height levels 0..16, row by row
};
void SetFixedGlyph(unsigned character, const FixedGlyph& glyph);
void ClearFixedGlyphs();
int LiveFontCount();

}  // namespace font_testing
