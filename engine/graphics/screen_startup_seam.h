// The graphics-core operations that engine start-up and shutdown, the window procedure,
// message processing, the window modes and the entry layer call. The screen itself is
// built (the headers included below); graphs, restore and masks still answer "not up"
// here: no graph, every graph operation -1.
#pragma once

#include <cstdint>

#include "engine/graphics/color_format.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/draw_state_access.h"
#include "engine/graphics/screen_startup.h"
#include "engine/graphics/screen_state.h"
#include "platform/window.h"

// Restore after activation and display changes.
int SetGraphRestoreCallback(GraphRestoreCallback callback);
int IsGraphRestoreCallbackSet();
int RebuildDisplayObjects();
int RestoreAllGraphSurfaces();
int RestoreAllSurface2DImages();

// Draw targets, presenting, draw settings.
int GetMaskScreenUse();
int SetMaskScreenUse(int flag);

// Graphs and images.
int CreateBlankGraph(int width, int height, int no_texture);
int DeleteGraphHandle(int graph, int log);
int IsGraphHandleValid(int graph);
int BuildGraphFromGraphImage(GraphImage* image, GraphImage* alpha_image, int use_texture, int mirror,
                             int mirror_allowed);
int BuildGraphFromGraphImageDefault(GraphImage* image);
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag);
int LoadImageAsGraph(const char* file_name, int no_texture);
int LoadImageAsDivGraphs(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                         int piece_height, int* handles, int no_texture);

// Drawing.
int DrawGraphAtPoint(int x, int y, int graph, int transparent);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t color, int fill);
