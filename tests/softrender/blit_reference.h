// A plain, per-pixel reading of the unscaled blit's rules, written straight from their
// description with every choice made at run time; the kernels are tested against it.
#pragma once

#include "engine/pixels/memimg.h"
#include "engine/softrender/soft_draw_state.h"

// Same arguments as DrawMemImgWith. Of the state's rows it reads only the blend-graph
// weights; every division by 255 is computed here.
void ReferenceDrawMemImg(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent,
                         const MEMIMG* blend_image);
