// The scaled blit's row kernels: one loop per combination of destination kind, source
// form, transparency handling, blend mode, blend image and bright colour over the shared
// per-pixel rule, plus the whole copy and the byte-saturating subtract, all held in one
// table and chosen by SelectStretchKernel. Relies on blit_kernels.h for the context.
#pragma once

#include <cstdint>

#include "engine/softrender/blit_kernels.h"

// Draws `count` destination pixels of one row: destination pixel j shows source column
// columns[j] of `src_row` (and byte columns[j] of `blend_row`, when a blend image is given).
using StretchKernel = void (*)(const BlitContext& context, std::uint8_t* dest, const std::uint8_t* src_row,
                               const std::uint8_t* blend_row, const std::int32_t* columns, int count);

struct StretchChoice {
    int dest_kind;    // 0 RGB565, 1 XRGB8888
    int source_form;  // kBlitSource*
    int test;         // kBlit* transparency handling
    int mode;         // blend mode
    int value;        // blend value 0..255
    bool blend_image;
    bool white;  // bright colour white
    bool mmx;    // 32-bit value-255 subtract of sources without alpha: bytewise saturation
    bool same_image;  // source and destination share their pixels: strictly one pixel after another
};

struct StretchKernelPick {
    StretchKernel kernel;  // null: the mode draws nothing at that value
    bool pure;             // the result does not read the destination (a whole copy without key)
    // For a pure copy: the same copy for a column table that steps evenly (columns[j] =
    // columns[0] + j x (columns[1] - columns[0]), at least two columns), or null.
    StretchKernel even_steps;
};

StretchKernelPick SelectStretchKernel(const StretchChoice& choice);
