// The draw dispatch for graphs that do not live in Direct3D textures: each primitive is
// handed to the software renderer drawing into the draw target's MEMIMG, or, on
// DirectDraw surfaces, to a working copy of the target.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/pixels/pixels.h"
#include "engine/softrender/softrender.h"

// One line of a line list: end points, colour (screen colour value), blend value.
struct LineRecord {
    std::int32_t x1;
    std::int32_t y1;
    std::int32_t x2;
    std::int32_t y2;
    std::int32_t colour;
    std::int32_t blend_value;
};

MEMIMG* GetBlendSourceMemImg();
int SetBlendSourceParamsSoft(int graph, int border_value, int border_range);
int DrawSurface2DSoft(int x, int y, int surface, int transparent);
// The same under the given settings in place of the live ones.
int DrawSurface2DSoftWith(const DrawSettingsBlock& settings, int x, int y, int surface, int transparent);
int DrawGraphSoft(int x, int y, const GraphRecord* graph, int transparent);
int DrawGraphStretchSoft(int x1, int y1, int x2, int y2, const GraphRecord* graph, int transparent);
int DrawGraphTriangleSoft(const TriangleVertex* vertices, const GraphRecord* graph, int transparent);
int DrawGraphQuadSoft(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphRecord* graph,
                      int transparent);
int DrawGraphQuadSoftFloat(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                           const GraphRecord* graph, int transparent);
int DrawLineListSoft(const LineRecord* lines, int count);
// Copies (x1, y1)-(x2, y2) of the draw target into a graph of exactly that size.
int GetDrawScreenGraphSoft(int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag);
