// The software renderer's triangle rasteriser: one textured (affine u, v) or solid
// triangle drawn into a MEMIMG under every blend mode, clipped to the draw area; a free
// quad is two of them.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "engine/softrender/soft_draw_state.h"

// One triangle corner: destination pixel (x, y), source pixel (u, v).
struct TriangleVertex {
    int x;
    int y;
    int u;
    int v;
};

// Three vertices; `src` null draws a solid triangle of `colour` (in the destination's
// format: RGB565 or 0x00RRGGBB). Coordinates must lie in -8192..8191 and differ between
// vertices by at most 8191, else nothing is drawn. A blend image must hold at least the source's
// width in bytes per row and its height in rows. Reads nothing but its arguments.
void DrawMemImgTriangleWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src,
                            const TriangleVertex* vertices, int transparent, const MEMIMG* blend_image,
                            std::uint32_t colour);
