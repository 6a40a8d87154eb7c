// The draw entry points: graphs at a point, stretched, as quads, mirrored and in part,
// filled and outlined boxes, each wrapped in the mask brackets and, in software
// rendering on the front buffer, the read-back and flush of the front image.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "platform/kernel_types.h"

int DrawGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                  int transparent);
int DrawGraphMirrored(int x, int y, int graph, int transparent);
int DrawGraphSubRect(int x, int y, int source_x, int source_y, int width, int height, int graph, int transparent,
                     int mirror);
int DrawGraphSubRectStretched(int x1, int y1, int x2, int y2, int source_x, int source_y, int source_width,
                              int source_height, int graph, int transparent);
int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawBoxOutline(int x1, int y1, int x2, int y2, std::uint32_t colour);
// Blend mode 3 on the 3-D path, drawn as invert, add, invert around the draw: the
// prologue inverts the rectangle and leaves blend mode 5 with the value; the epilogue
// inverts it again and puts blend mode 3 back.
int SubtractBlendPrologue(const RECT* rect);
int SubtractBlendEpilogue(const RECT* rect);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag);
