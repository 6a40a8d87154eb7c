// The glyph writers of a texture glyph cache: a fetched GDI glyph written into the 16-bit
// staging image of a font (white texels, the glyph in the alpha bits; edged fonts keep
// the edge image in the staging image's right half).
#pragma once

#include <cstdint>

// The layout of the staging image's 16-bit texels.
struct StagingTexels {
    std::uint16_t* pixels;  // rows `width` texels apart
    int width;              // the whole staging width (both halves for edged fonts)
    int height;
    std::uint32_t alpha_mask;
    int alpha_shift;
    int alpha_width;
    std::uint32_t white;  // red, green and blue masks together
};

// Writes one glyph for a font type 0 to 3: `bits` holds `height` rows `row_bytes` apart,
// one bit a pixel (types 0 and 1) or GDI grey levels 0 to 16 (types 2 and 3); the body
// lands at (edge, edge), an edged type's edge in the right half (from width / 2). Texels
// outside the staging image are not written. The staging image is expected cleared.
void WriteGlyphToStaging(int type, int edge, const StagingTexels& staging, const std::uint8_t* bits, int row_bytes,
                         int width, int height);
