// 2-D surfaces: the records (kind 5, 32,768 slots) that say where a rectangle of a
// graph's pixels sits inside a shared SurfaceData image, and the per-graph operations on
// those pieces: the one piece of a new graph, the shared piece of a derived graph,
// restore, fill and deletion.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/core/core.h"
#include "engine/graphics/graphs/graph_handles.h"


int AddSurface2D(std::uint16_t width, std::uint16_t height, std::uint16_t x, std::uint16_t y, int owner_graph,
                 const Surface2D* share, std::uint16_t source_x, std::uint16_t source_y,
                 const GraphCreationBytes* creation);
Surface2D* GetSurface2DRecord(int handle);
int SetSurface2DLostFlagPointer(int handle, std::int32_t* flag);
int DeleteSurface2D(int handle);
int ReleaseAllSurface2D();
int ReleaseAllSurface2DChecked();
int CreateGraphSurface2D(GraphRecord* graph);
int DeriveGraphSurface2D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source);
int RestoreGraphSurface2DImages(const GraphRecord* graph);
int FillGraphSurface2DColor(const GraphRecord* graph, int red, int green, int blue, int alpha);
int DeleteGraphSurface2Ds(const GraphRecord* graph);

// The pixel holders of every piece's image released (display rebuild) and made again,
// blank, with their colour keys.
int ReleaseAllSurface2DHolders();
int RecreateAllSurface2DHolders();

// The table of pieces (its live count and end mark are read by the tests).
extern HandleTable g_surface_2d_table;
