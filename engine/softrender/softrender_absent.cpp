// The software renderer's part that is not built yet: the triangle rasteriser draws
// nothing.
#include "engine/softrender/softrender.h"

void DrawMemImgTriangle(MEMIMG*, const MEMIMG*, const TriangleVertex*, int, const MEMIMG*) {}
