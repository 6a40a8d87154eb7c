// Seams inside the GDI font layer for tests of the glyph cache and string drawing:
// glyphs of fixed shape in place of the font's own, so cache bytes and drawn pixels can
// be checked exactly, and the count of live fonts. The engine never includes this
// header; platform/testing/font_testing.h wraps it for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace platform_hooks {

// Every font answers `character` (a one-byte code, or lead x 256 + trail) with this
// glyph: `levels` holds width x height grey levels 0..16, row by row; the one-bit form
// has ink where the level is 8 or more. Origin y is the bitmap's top above the baseline.
struct FixedGlyph {
    int width;
    int height;
    int origin_x;
    int origin_y;
    int advance;
    std::vector<std::uint8_t> levels;
};
void SetFixedGlyph(unsigned character, const FixedGlyph& glyph);
void ClearFixedGlyphs();
int LiveFontCount();

}  // namespace platform_hooks
