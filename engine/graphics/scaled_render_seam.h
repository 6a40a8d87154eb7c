// The scaled blit and the triangle rasteriser of the software renderer as the draw
// dispatch sees them until they are built: named entry points that draw nothing.
#pragma once

#include "engine/graphics/memimg.h"

// One triangle corner: destination pixel (x, y), source pixel (u, v).
struct TriangleVertex {
    int x;
    int y;
    int u;
    int v;
};

// `rect` as given by the caller: reversed corners mean a mirrored draw.
void DrawMemImgStretch(MEMIMG* dest, const MEMIMG* src, const RECT* rect, int transparent, const MEMIMG* blend_image);
// Three vertices; `src` null draws a solid triangle.
void DrawMemImgTriangle(MEMIMG* dest, const MEMIMG* src, const TriangleVertex* vertices, int transparent,
                        const MEMIMG* blend_image);
