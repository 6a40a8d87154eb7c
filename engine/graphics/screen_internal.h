// Steps of the screen code shared between its units (start-up, display mode, output
// surfaces, draw target and flip) and the stand-ins for the graph manager and the
// Direct3D renderer while those are not built. Only engine/graphics includes it.
#pragma once

#include <cstdint>

#include "engine/graphics/screen_state.h"

struct GraphRecord;

// Screen record extras.
const DDPIXELFORMAT* OverlayFormatAt(int index);

// Start-up and mode change.
int InitializeDirectDraw();
int TerminateDirectDraw();
int CreateDirectDrawObject(IDirectDraw7** object);
int CreateWindowClipper(IDirectDraw7* object, IDirectDrawClipper** clipper, HWND window);

// Display mode, format and timing.
int SetScreenDisplayMode(IDirectDraw7* object, int desktop_width, int desktop_height, int width, int height,
                         int bits, int* depth_out, std::uint32_t* cooperative_out, int window_mode,
                         int* display_changed, HWND window);
int RestoreDesktopDisplayMode();
void RunCopyMethodTest();
void MeasureFrameTime();
// Wait threshold for a frame time: (2 x frame - 4) / 3, -1 without one.
int WaitThresholdForFrame(int frame_time);

// Output surfaces.
int CreateOutputSurfaces();
int ReleaseOutputSurfaces();
int RestoreLostSurfaces();
int CreateScreenPalette();
int RefreshScreenPalette();
int ReleaseClipper();
int RecreateClipper();
int RecreateDirectDrawObject();
int LeaveProgramDisplayMode();
int ReapplyScreenDisplayMode();

// Draw target, flip and present.
int SelectDrawTarget(int target, int previous);
int CopySurfaceRect(IDirectDrawSurface7* destination, IDirectDrawSurface7* source, int x, int y, const RECT* rect,
                    int method);
int WaitVBlankCount(int count);
void WaitVerticalBlank();
int CopyFrontToTempPrimary();
int CopyTempPrimaryToFront();
void KillFrontCopyTimer();

// The graph manager as the screen sees it until it is built.
int InitializeGraphics();
int TerminateGraphics();
int DeleteAllGraphs();
int ReleaseAllSurface2D();
int ReadGraphSize(int graph, int* width, int* height);
int IsGraphManagerUp();

// The Direct3D renderer as the screen sees it until it is built: nothing is ever up.
int InitializeDirect3D();
int TerminateDirect3D();
int IsDirect3DUp();
void FlushCurrentVertexBatch();
void EndSceneD3D();
// Texture pieces and lights belong to the 3-D renderer: deleting them all gives -1 while
// no 3-D device exists, which is how the graph manager learns that 3-D is not in use.
int DeleteAllSurface3DData();
int DeleteAllLights();
// The 3-D draws the graph entries hand texture graphs (and, with 3-D in use, boxes) to.
// Graph draws give -1 while 3-D is down; boxes fall back to the 2-D path when no device
// is there, as the renderer does.
int DrawGraphD3D(int x, int y, float float_x, float float_y, const GraphRecord* graph, int transparent, int flag);
int DrawGraphStretchD3D(int x1, int y1, int x2, int y2, float float_x1, float float_y1, float float_x2,
                        float float_y2, const GraphRecord* graph, int transparent, int flag);
int DrawGraphQuadD3D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                     const GraphRecord* graph, int transparent);
int DrawFillBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawLineBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour);
int ClearDrawTargetD3D();
int GetDrawScreenGraphD3D(int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag);
// Recomputes the packed vertex colour after the blend mode, value or bright colour changed.
void UpdateVertexDiffuseColor();
// Test hooks: with 1, deleting the texture pieces succeeds, so the graph manager counts
// 3-D as in use (boxes then take the 3-D path and fall back to 2-D); and the box draws
// handed to the stand-in, with the blend and bright settings at the time of each call.
void SetDirect3DStandInThreeDInUse(int in_use);
struct Direct3DStandInBoxCall {
    int fill;  // 1 for DrawFillBoxD3D, 0 for DrawLineBoxD3D
    RECT rect;
    std::uint32_t colour;
    int blend_mode;
    int blend_value;
    std::uint32_t bright;  // 0x00RRGGBB
};
int GetDirect3DStandInBoxCallCount();
Direct3DStandInBoxCall GetDirect3DStandInBoxCall(int index);
// Test hook: with 1, the stand-in lets the screen start as it does once the 3-D renderer
// is up (DirectDraw output surfaces, no software rendering), though no device exists and
// nothing is ever drawn through 3-D; 0 (the default) refuses as the display does.
void SetDirect3DStandInStarts(int starts);
