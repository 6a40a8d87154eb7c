// Graph restore and projection: the world, view and projection matrices with their
// combined forms, and getting graph pixels back after the display lost them: marking
// every graph for reload, the restore callback (by default decoding each graph's file
// again, one decode shared by the graphs cut from one file) and surface restore.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include "engine/graphics/draw/draw_settings.h"

int SetWorldMatrix(const float matrix[16], int flag);
int SetViewMatrix(const float matrix[16]);
int SetProjectionMatrix(const float matrix[16]);
int UpdateCombinedMatrices();
int MarkGraphsForReload();
void RestoreGraphs();
int RestoreGraphSurfaces(int graph);
// How many pictures RestoreGraphs decoded since start-up.
extern int g_restore_decode_count;
