// The glyph pixel kernels: one cached glyph written into a target image's pixels, one
// kernel per font type and target pixel layout, chosen from a table.
#pragma once

#include <cstddef>
#include <cstdint>

// Target pixel layouts.
constexpr int kGlyphLayoutPalette8 = 0;  // one palette byte
constexpr int kGlyphLayoutRgb565 = 1;    // two bytes
constexpr int kGlyphLayoutRgb565Alpha = 2;  // RGB565, then the alpha byte, then a byte not read
constexpr int kGlyphLayoutXrgb8888 = 3;  // four bytes, alpha (or nothing) in the top byte
constexpr int kGlyphLayoutCount = 4;

// One glyph draw. Glyph pixel (c, r) for c0 <= c < c1, r0 <= r < r1 lands at byte
// origin + c * step_c + r * step_r of `pixels` (every such pixel is inside the image).
struct GlyphBlit {
    const std::uint8_t* cell;  // the glyph's cell: its first row in the cache
    int cell_pitch;
    int c0, c1, r0, r1;
    std::uint8_t* pixels;
    std::ptrdiff_t origin;
    std::ptrdiff_t step_c;
    std::ptrdiff_t step_r;
    std::uint32_t color;  // the text colour value in the target's format
    std::uint32_t edge;   // the edge colour value
    int transparent;      // 1: pixels without ink are left alone; 0: they become 0
};

using GlyphKernel = void (*)(const GlyphBlit& blit);

// Null when the type draws nothing on that layout (anti-aliased glyphs need an alpha
// byte or 32-bit pixels; types above 3 draw nothing).
GlyphKernel ChooseGlyphKernel(int type, int layout);

// The colour of one pixel of an anti-aliased edged glyph (body level b, edge level g,
// both 0..15, not both 0) and its alpha: the edge colour moves towards the text colour
// by b x 4096 / A of 256, channel by channel within each field of the layout.
void MixEdgedGlyphPixel(int layout, std::uint32_t color, std::uint32_t edge, int b, int g, std::uint32_t* value,
                        int* alpha);
