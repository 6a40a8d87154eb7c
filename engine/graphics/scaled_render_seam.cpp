// Stand-ins for the scaled blit and the triangle rasteriser: they draw nothing until
// the software renderer's scaled and triangle paths are built.
#include "engine/graphics/scaled_render_seam.h"

void DrawMemImgStretch(MEMIMG*, const MEMIMG*, const RECT*, int, const MEMIMG*) {}
void DrawMemImgTriangle(MEMIMG*, const MEMIMG*, const TriangleVertex*, int, const MEMIMG*) {}
