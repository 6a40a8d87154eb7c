// The triangle rasteriser's working set and its span kernels: one span loop per
// combination of destination kind, source form, transparency handling, blend mode, blend
// image and bright colour over the shared per-pixel rule, and one solid span per kind over
// the primitives' rule; all chosen from one table.
#pragma once

#include <cstdint>

#include "engine/softrender/blit_kernels.h"
#include "engine/softrender/pixel_rules.h"

// What the set-up hands to a span kernel; lives for one call.
struct TriangleSetup {
    BlitContext context;  // rows, weights, palette, key and value of the textured kernels
    // Source (textured): pixels of the view, pitch, and width and height << 18.
    const std::uint8_t* source;
    std::int32_t source_pitch;
    std::uint32_t source_width_limit;
    std::uint32_t source_height_limit;
    // Blend image, read one byte per texel at the texel's column and row.
    const std::uint8_t* blend;
    std::int32_t blend_pitch;
    // Solid triangles: the colour after the bright colour, and the mode's rule.
    std::uint32_t solid_colour;
    PrimitivePixelRule solid_rule;
    PrimitiveRuleRows solid_rows;
};

// Draws `count` pixels of a row from `dest` rightwards; u and v (18 fraction bits, taken
// as unsigned) are the texture coordinates of the first pixel and step by du and dv.
// Texels outside the source are skipped.
using TriangleSpanKernel = void (*)(const TriangleSetup& setup, std::uint8_t* dest, std::uint32_t u,
                                    std::uint32_t v, std::uint32_t du, std::uint32_t dv, int count);

struct TriangleChoice {
    int dest_kind;    // 0 RGB565, 1 XRGB8888
    bool textured;    // false: solid colour (the rest but the kind is not read)
    int source_form;  // kBlitSource*
    int test;         // kBlit* transparency handling
    int mode;         // blend mode, after mode 1 at 255 became 0
    bool blend_image;
    bool white;
};

// Null when the mode draws nothing.
TriangleSpanKernel SelectTriangleSpanKernel(const TriangleChoice& choice);
