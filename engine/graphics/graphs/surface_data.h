// Surface data records: the reference-counted holders of a graph piece's pixels (a
// MEMIMG colour image in software rendering, else a DirectDraw off-screen surface),
// with their table of kind 7, creation, Z buffers, colour keys, locking, fill, loss and
// deletion.
#pragma once

#include <cstdint>

#include "engine/core/core.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/pixels/pixels.h"
#include "platform/ddraw.h"


int AddSurfaceData(int reference_count, std::uint16_t width, std::uint16_t height, std::uint32_t transparent_color,
                   const GraphCreationBytes* creation);
SurfaceData* GetSurfaceData(int handle);
int AddSurfaceDataRef(int handle);
int ReleaseSurfaceDataRef(int handle);
int CreateSurfaceDataSurface(int handle);
int ReleaseSurfaceDataSurface(int handle);
int DeleteSurfaceData(int handle);
int SetSurfaceDataZBuffer(int handle, int wanted);
int ApplySurfaceDataColorKey(int handle);
int RestoreSurfaceDataIfLost(int handle);
// 0, -2 for a nested lock (same pitch and pointer), -1.
int LockSurfaceData(int handle, std::int32_t* pitch, void** pixels, int write_only, const RECT* rect,
                    const ColorFormat** format);
int UnlockSurfaceData(int handle, const RECT* rect);
int FillSurfaceDataColor(int handle, int red, int green, int blue, int alpha);

// The table of records (its live count is read by the tests).
extern HandleTable g_surface_data_table;
// Clears the table without freeing (the graph manager's start, when nothing is left).
void ResetSurfaceDataTable();
