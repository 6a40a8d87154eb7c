// The Direct3D renderer's door: what the screen, the graphs, the draw entries and the
// window procedure ask of the 3-D side. Start-up answers "Direct3D not up" (the screen
// then falls back to software rendering with GDI output) unless the renderer is enabled;
// what is not built yet is answered by d3d_absent.cpp.
#pragma once

#include <cstdint>

#include "platform/ddraw.h"

struct GraphRecord;

int InitializeDirect3D();
// Until the screen takes Direct3D as its default path, start-up queries the 3-D object
// and refuses (the screen then falls back to software rendering) unless the renderer has
// been enabled with 1; tests of the renderer enable it.
void SetDirect3DRendererEnabled(int enabled);
int TerminateDirect3D();
int IsDirect3DUp();
void FlushCurrentVertexBatch();
void EndSceneD3D();

// Activation changes and display rebuilds.
int RestoreAllSurface3DTextures();
int ReleaseDirect3DObject();
// After a display rebuild: gets the 3-D object, device and textures back; nothing to do
// while 3-D was never started.
int AcquireDirect3DObject();

// Texture pieces belong to the 3-D renderer: deleting them all gives -1 while no 3-D
// device exists, which is how the graph manager learns that 3-D is not in use.
int DeleteAllSurface3DData();
// Light handles (bookkeeping only; no light reaches a device): the draw-settings reset
// makes the default light, the graphics end deletes them all (0).
int CreateDirectionalLight(float x, float y, float z);
int DeleteLightHandle(int handle);
int DeleteAllLights();

// The transforms handed to the device (the world setter also takes the index of the world
// matrix), and the notice sent after matrix, draw-target, draw-area and restore changes.
int SetWorldMatrixD3D(const float matrix[16], int index);
int SetViewMatrixD3D(const float matrix[16]);
int SetProjectionMatrixD3D(const float matrix[16]);
int NotifyDirect3DStateChange();

// The 3-D draws the graph entries hand texture graphs (and, with 3-D in use, boxes) to.
// Graph draws give -1 while 3-D is down; boxes fall back to the 2-D path when no device
// is there.
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

// Test hooks of the stand-in. With 1, deleting the texture pieces succeeds, so the graph
// manager counts 3-D as in use (boxes then take the 3-D path and fall back to 2-D); the
// box draws handed to it are kept with the blend and bright settings at each call.
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
// With 1, the stand-in lets the screen start as it does once the 3-D renderer is up
// (DirectDraw output surfaces, no software rendering), though no device exists and
// nothing is ever drawn through 3-D; 0 (the default) refuses as the display does.
void SetDirect3DStandInStarts(int starts);
