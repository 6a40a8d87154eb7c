// The software renderer's unscaled blit: one MEMIMG drawn into another at its own size,
// with transparency (colour key, alpha, run table), every blend mode, a blend image and
// the bright colour, clipped to the draw area.
#pragma once

#include "engine/pixels/pixels.h"
#include "engine/softrender/soft_draw_state.h"

// x, y place the source's top-left pixel in the destination. `transparent` not 0 honours
// the source's key or alpha; exactly 1 allows the run-table path. The blend image, when
// given, must be a kind 2 image at least as large as the source (else nothing is drawn).
// Reads nothing but its arguments.
void DrawMemImgWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent,
                    const MEMIMG* blend_image);
