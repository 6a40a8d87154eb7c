// The software renderer's door: the unscaled blit, the rectangle fill and the lines
// drawn into MEMIMG images, and the scaled blit and the triangle rasteriser (which draw
// nothing until they are built; scaled_triangle_absent.cpp).
#pragma once

#include "engine/pixels/pixels.h"
#include "engine/softrender/blit_unscaled.h"
#include "engine/softrender/draw_lines.h"
#include "engine/softrender/fill_rect.h"

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
