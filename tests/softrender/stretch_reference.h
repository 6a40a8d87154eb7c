// A plain reading of the scaled blit: every destination pixel finds its source pixel by
// one division (column k of the unclipped rectangle shows source column k x 65536 / step)
// and is drawn by the reference pixel rule; the kernels are tested against it.
#pragma once

#include "engine/pixels/memimg.h"
#include "engine/softrender/soft_draw_state.h"

// Same arguments as DrawMemImgStretchWith.
void ReferenceDrawMemImgStretch(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, const RECT* rect,
                                int transparent, const MEMIMG* blend_image);
