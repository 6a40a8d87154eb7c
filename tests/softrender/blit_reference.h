// A plain, per-pixel reading of the unscaled blit's rules, written straight from their
// description with every choice made at run time; the kernels are tested against it.
#pragma once

#include "engine/pixels/memimg.h"

// Same arguments as DrawMemImg. `force_plain` keeps the run-table path out (as when the
// draw was clipped), `force_runs` takes it whenever the transparent flag is 1 and the
// source is a whole block with a valid run table.
void ReferenceDrawMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent, const MEMIMG* blend_image);
