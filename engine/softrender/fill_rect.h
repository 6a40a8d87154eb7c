// Filling a rectangle of a MEMIMG with one colour under the draw state's blend mode,
// blend value and bright colour, clipped to the draw area.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "engine/softrender/soft_draw_state.h"

// `rect` {left, top, right, bottom} in either corner order, right and bottom exclusive;
// null is the whole view. Only plain kind 0 and kind 1 images are drawn into.
// Reads nothing but its arguments.
void FillMemImgRectWith(const SoftDrawState& state, MEMIMG* target, const RECT* rect, std::uint32_t colour);

// The colour scaled by the bright colour (blue, green, red bytes) the way the fill and
// the lines do it: (c x b) >> 8 per channel; the 32-bit top byte is kept.
std::uint32_t ScalePrimitiveColour(int kind, std::uint32_t colour, const std::uint8_t bright[4]);
