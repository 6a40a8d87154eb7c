// The pixel base's door, below both the graphics core and the software renderer: MEMIMG
// images over shared pixel blocks (memimg.h), colour formats and single-value
// conversions (color_format.h), the conversion blit between any two formats
// (conversion_blit.h), the blend modes (blend_modes.h), the division-by-255 blend tables
// (blend_tables.h), and rectangle clipping, ordering and moving (rectangles.h).
#pragma once

#include "engine/pixels/blend_modes.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/color_format.h"
#include "engine/pixels/conversion_blit.h"
#include "engine/pixels/memimg.h"
#include "engine/pixels/rectangles.h"
