// A plain reading of the triangle rasteriser: each row's edge positions from its segment's
// start by one multiplication, each pixel's texture coordinates from the plane equation
// at that pixel, and the reference pixel rule; the span kernels are tested against it.
#pragma once

#include <cstdint>

#include "engine/pixels/memimg.h"
#include "engine/softrender/draw_triangle.h"
#include "engine/softrender/soft_draw_state.h"

// Same arguments as DrawMemImgTriangleWith.
void ReferenceDrawMemImgTriangle(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src,
                                 const TriangleVertex* vertices, int transparent, const MEMIMG* blend_image,
                                 std::uint32_t colour);
