// The scaled blit and the triangle rasteriser until they are built: both draw nothing.
#include "engine/softrender/softrender.h"

void DrawMemImgStretch(MEMIMG*, const MEMIMG*, const RECT*, int, const MEMIMG*) {}
void DrawMemImgTriangle(MEMIMG*, const MEMIMG*, const TriangleVertex*, int, const MEMIMG*) {}
