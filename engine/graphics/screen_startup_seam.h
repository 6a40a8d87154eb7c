// The graphics-core operations that engine start-up and shutdown, the window procedure,
// message processing, the window modes and the entry layer call, answered as "screen not
// up" until the graphics core is built: no DirectDraw object, no graph, every surface
// operation -1. The screen start-up itself succeeds with nothing made, so the engine can
// come up without a screen. Image records and colour formats are the graphics core's own.
#pragma once

#include <cstdint>

#include "engine/graphics/color_format.h"
#include "engine/graphics/graph_image.h"
#include "platform/window.h"

using GraphRestoreCallback = void (*)();

// Screen state (start-up, mode, switches).
int GetSoftwareModeRequest();
int SetHardwareRendering(int flag);
int GetScreenBitDepth();
int SetTempPrimaryMode(int flag);
int GetTempPrimaryMode();
int ReadScreenSize(int* width, int* height);
int ReadScreenModeSize(int* width, int* height, int* bits);
int IsDisplayModeChanged();
int GetGdiVisibleMode();
int SetGdiVisibleMode(int flag);
int StartScreen(HWND window);
int EndScreen();
int ChangeScreenMode(int width, int height, int bits, int force, int refresh_rate);
int SetupScreenColorFormat();
int ReleaseDirectDrawObject();
int IsDirectDrawOutput();
void* GetDirectDrawObject();
const void* GetScreenPixelFormat();

// Restore after activation and display changes.
int SetGraphRestoreCallback(GraphRestoreCallback callback);
int IsGraphRestoreCallbackSet();
int RebuildDisplayObjects();
int RestoreAllGraphSurfaces();
int RestoreAllSurface2DImages();

// Draw targets, presenting, draw settings.
int ChooseDrawTarget(int target);
int GetDrawTarget();
int SetDrawTargetScreenRect(const RECT* rect);
int ReadDrawArea(RECT* area);
int SetDrawClipArea(int x1, int y1, int x2, int y2);
int GetMaskScreenUse();
int SetMaskScreenUse(int flag);
int SetFlipVSyncWait(int flag);
int GetFlipVSyncWait();
int GetDrawFilterMode();
int SetDrawFilterMode(int mode);
int SetBlendModeAndValue(int mode, int value);
int FlipScreen();
int PresentToWindow(const RECT* dirty_area);
std::uint32_t MakeColorValue(int red, int green, int blue);
int MakeRgbPixelFormat(void* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                       std::uint32_t blue_mask, std::uint32_t alpha_mask);

// Graphs and images.
int SetNewGraphDrawable(int flag);
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
int ClearDrawTarget();
int DrawGraphAtPoint(int x, int y, int graph, int transparent);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t color, int fill);
