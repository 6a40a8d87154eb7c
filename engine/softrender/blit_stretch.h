// The software renderer's scaled and flipped blit: a whole MEMIMG drawn into a rectangle
// of another by nearest neighbour in 16.16 fixed point, mirrored on each axis whose
// corners are reversed, clipped to the draw area, under every blend mode.
#pragma once

#include "engine/pixels/pixels.h"
#include "engine/softrender/soft_draw_state.h"

// `rect` holds the corners {x1, y1, x2, y2} as the caller gave them (right and bottom
// exclusive once ordered); reversed corners mirror that axis. At the source's own size and
// not mirrored this is the unscaled blit. A blend image must be a kind 2 image at least as
// large as the source. Draws nothing for a source more than 65,536 times the rectangle's
// size on an axis. Reads nothing but its arguments.
void DrawMemImgStretchWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, const RECT* rect,
                           int transparent, const MEMIMG* blend_image);
