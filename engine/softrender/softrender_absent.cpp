// The software renderer's part that is not built yet: the scaled blit and the triangle
// rasteriser draw nothing.
#include "engine/softrender/softrender.h"

void DrawMemImgStretch(MEMIMG*, const MEMIMG*, const RECT*, int, const MEMIMG*) {}
void DrawMemImgTriangle(MEMIMG*, const MEMIMG*, const TriangleVertex*, int, const MEMIMG*) {}
