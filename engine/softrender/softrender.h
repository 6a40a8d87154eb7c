// The software renderer's door: the draw-state record every draw takes (blend mode and
// value, bright colour, draw area, blend-table rows, MMX flag; soft_draw_state.h), the
// unscaled and the scaled blit, the triangle rasteriser, the rectangle fill and the lines
// drawn into MEMIMG images under it. The renderer reads no global: the graphics core builds
// the record from its draw settings.
#pragma once

#include "engine/pixels/pixels.h"
#include "engine/softrender/blit_stretch.h"
#include "engine/softrender/blit_unscaled.h"
#include "engine/softrender/draw_lines.h"
#include "engine/softrender/draw_triangle.h"
#include "engine/softrender/fill_rect.h"
#include "engine/softrender/soft_draw_state.h"
