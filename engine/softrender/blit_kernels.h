// The unscaled blit's row kernels: one loop per combination of destination kind, source
// form, transparency handling, blend mode, blend image and bright colour, plus the fast
// forms of the plain path, all held in one table and chosen by SelectBlitKernel.
#pragma once

#include <cstdint>

// Source forms.
constexpr int kBlitSourcePalette = 0;  // 1-byte indices into the block's palette
constexpr int kBlitSourceDirect = 1;   // RGB565 (2 bytes) or XRGB8888 (4 bytes)
constexpr int kBlitSourceAlpha = 2;    // 4 bytes: RGB565 + alpha in byte 2, or ARGB8888

// Transparency handling inside a kernel.
constexpr int kBlitNoTest = 0;       // every pixel drawn, no alpha factor
constexpr int kBlitSkipTest = 1;     // key pixels skipped; alpha 0 skipped, 255 opaque, else weighted
constexpr int kBlitAlphaWeight = 2;  // alpha sources: every pixel weighted by its alpha

// What a kernel reads besides the pixels; worked out once per draw.
struct BlitContext {
    const std::uint32_t* value_row;      // product row of the blend value
    const std::int32_t* signed_row;      // signed-product row of the blend value, at d = 0
    const std::uint8_t* mix_plane;       // 64 x 64 mix plane of level value / 4
    const std::uint32_t* bright_row[3];  // product rows of the bright blue, green and red
    const std::uint8_t* weights;         // blend-graph weights of blend-image bytes
    const void* palette;                 // the source block's palette in pixel format
    std::uint32_t value;
    std::uint32_t key;  // index, 16-bit or 32-bit raw key, as the source form compares it
};

// Draws `count` pixels of one row; `blend` is the blend-image row (or null).
using BlitKernel = void (*)(const BlitContext& context, std::uint8_t* dest, const std::uint8_t* src,
                            const std::uint8_t* blend, int count);

struct BlitChoice {
    int dest_kind;    // 0 RGB565, 1 XRGB8888
    int source_form;  // kBlitSource*
    int test;         // kBlit* transparency handling
    int mode;         // blend mode
    int value;        // blend value 0..255
    bool blend_image;
    bool white;       // bright colour white
    bool plain_path;  // false on the run-table path: no half blend, mix table or value-255 forms
    bool mmx;         // 32-bit value-255 add and subtract: byte saturation, else the packed forms
};

// The kernel for a choice, or null when the mode draws nothing at that value.
BlitKernel SelectBlitKernel(const BlitChoice& choice);
