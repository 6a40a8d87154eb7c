// The 3-D renderer's draws as the tests call them: under the graphics core's live draw
// settings, as the draw entries hand them over.
#pragma once

#include <cstdint>

#include "engine/d3d/d3d.h"
#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"

inline int DrawGraphD3D(int x, int y, float float_x, float float_y, const GraphRecord* graph, int transparent,
                        int exact) {
    return DrawGraphD3D(*GetDrawSettings(), x, y, float_x, float_y, graph, transparent, exact);
}
inline int DrawGraphStretchD3D(int x1, int y1, int x2, int y2, float float_x1, float float_y1, float float_x2,
                               float float_y2, const GraphRecord* graph, int transparent, int exact) {
    return DrawGraphStretchD3D(*GetDrawSettings(), x1, y1, x2, y2, float_x1, float_y1, float_x2, float_y2, graph,
                               transparent, exact);
}
inline int DrawGraphQuadD3D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                            const GraphRecord* graph, int transparent) {
    return DrawGraphQuadD3D(*GetDrawSettings(), x1, y1, x2, y2, x3, y3, x4, y4, graph, transparent);
}
inline int DrawGraphFourPointD3D(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                                 const GraphRecord* graph, int transparent) {
    return DrawGraphFourPointD3D(*GetDrawSettings(), x1, y1, x2, y2, x3, y3, x4, y4, graph, transparent);
}
inline int DrawFillBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    return DrawFillBoxD3D(*GetDrawSettings(), x1, y1, x2, y2, colour);
}
inline int DrawLineBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    return DrawLineBoxD3D(*GetDrawSettings(), x1, y1, x2, y2, colour);
}
inline int ClearDrawTargetD3D() { return ClearDrawTargetD3D(*GetDrawSettings()); }
inline void UpdateVertexDiffuseColor() { UpdateVertexDiffuseColor(*GetDrawSettings()); }
inline void PrepareDrawStates(const Surface3DData* piece, std::uint32_t wishes) {
    PrepareDrawStates(*GetDrawSettings(), piece, wishes);
}
