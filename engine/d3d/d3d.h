// The Direct3D renderer's door: what the screen, the graphs, the draw entries and the
// window procedure ask of the 3-D side. Where the 3-D object cannot be had, start-up
// answers "Direct3D not up" and the screen falls back to software rendering with GDI
// output.
#pragma once

#include <cstdint>

#include "engine/drawstate/drawstate.h"
#include "platform/d3d7.h"
#include "platform/ddraw.h"

struct ColorFormat;
struct MovieFrame;
struct MovieRecord;

// ---- what the renderer asks of the graphics core ---------------------------------------
// The graphics core keeps the screen's surfaces, the SurfaceData and graph tables and the
// picture readers; the renderer reaches them only through this table, which the graphics
// core fills at start-up (InstallD3DGraphicsHooks) before it starts the renderer.
struct D3DGraphicsHooks {
    // SurfaceData records (the holders of texture pixels)
    int (*AddSurfaceData)(int reference_count, std::uint16_t width, std::uint16_t height,
                          std::uint32_t transparent_color, const GraphCreationBytes* creation);
    SurfaceData* (*GetSurfaceData)(int handle);
    int (*AddSurfaceDataRef)(int handle);
    int (*ReleaseSurfaceDataRef)(int handle);
    int (*CreateSurfaceDataSurface)(int handle);
    int (*ReleaseSurfaceDataSurface)(int handle);
    int (*DeleteSurfaceData)(int handle);
    int (*ApplySurfaceDataColorKey)(int handle);
    int (*RestoreSurfaceDataIfLost)(int handle);
    int (*LockSurfaceData)(int handle, std::int32_t* pitch, void** pixels, int write_only, const RECT* rect,
                           const ColorFormat** format);
    int (*UnlockSurfaceData)(int handle, const RECT* rect);
    int (*FillSurfaceDataColor)(int handle, int red, int green, int blue, int alpha);
    // graphs, 2-D pieces and pictures
    GraphRecord* (*GetGraphRecord)(int graph);
    int (*ReadGraphSize)(int graph, int* width, int* height);
    Surface2D* (*GetSurface2DRecord)(int handle);
    bool (*ResolveSourcePictures)(const ImageSource& source, GraphImage* color_view, GraphImage* alpha_view,
                                  const GraphImage** color, const GraphImage** alpha);
    ImageSource (*MovieFramePictures)(const MovieFrame& frame, GraphImage* image, GraphImage* alpha);
    // the screen
    IDirectDraw7* (*GetDirectDrawObject)();
    IDirectDrawSurface7* (*GetDrawTargetSurface)();
    IDirectDrawSurface7* (*GetFrontSurface)();
    IDirectDrawSurface7* (*GetBackSurface)();
    IDirectDrawSurface7* (*GetWorkSurface)();
    int (*GetScreenBitDepth)();
    const ColorFormat* (*GetScreenColorFormat)();
    int (*ReadScreenSize)(int* width, int* height);
    int (*IsWindowFrontTarget)();
    int (*CopySurfaceRect)(IDirectDrawSurface7* destination, IDirectDrawSurface7* source, int x, int y,
                           const RECT* rect, int method);
    int (*GetTextureFormatIndex)(const std::uint8_t* creation_bytes);
    int (*PixelFormatToColorFormat)(const DDPIXELFORMAT* pixel_format, ColorFormat* format);
    int (*SplitColorValue)(std::uint32_t color, int* red, int* green, int* blue);
    // the 2-D paths the renderer falls back to without a device
    int (*DrawFillBoxSoft)(int x1, int y1, int x2, int y2, std::uint32_t colour);
    int (*DrawLineBoxSoft)(int x1, int y1, int x2, int y2, std::uint32_t colour);
};
void InstallD3DGraphicsHooks(const D3DGraphicsHooks& hooks);

int InitializeDirect3D(const DrawSettingsBlock& settings);
int TerminateDirect3D();
int IsDirect3DUp();
void FlushCurrentVertexBatch();
void EndSceneD3D();

// Activation changes and display rebuilds.
int RestoreAllSurface3DTextures();
int ReleaseDirect3DObject();
// After a display rebuild: gets the 3-D object, device and textures back; nothing to do
// while 3-D was never started.
int AcquireDirect3DObject(const DrawSettingsBlock& settings);

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

// The 3-D draws the graph entries hand texture graphs (and, with 3-D in use, boxes) to,
// each given the draw settings it draws under.
// Graph draws give -1 while 3-D is down; boxes fall back to the 2-D path when no device
// is there.
int DrawGraphD3D(const DrawSettingsBlock& draw_state, int x, int y, float float_x, float float_y,
                 const GraphRecord* graph, int transparent, int flag);
int DrawGraphStretchD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, float float_x1,
                        float float_y1, float float_x2, float float_y2, const GraphRecord* graph, int transparent, int flag);
int DrawGraphQuadD3D(const DrawSettingsBlock& draw_state, float x1, float y1, float x2, float y2, float x3, float y3,
                     float x4, float y4, const GraphRecord* graph, int transparent);
int DrawFillBoxD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawLineBoxD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, std::uint32_t colour);
int ClearDrawTargetD3D(const DrawSettingsBlock& draw_state);
int GetDrawScreenGraphD3D(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag);
// Recomputes the packed vertex colour from the given settings after the blend mode, value
// or bright colour changed.
void UpdateVertexDiffuseColor(const DrawSettingsBlock& draw_state);

// ---- what the graphics core's hardware branches ask of the renderer ------------------
// The current device, null when none exists.
IDirect3DDevice7* GetCurrentD3DDevice();
// The index of the current device record, -1 when none.
int GetCurrentD3DDeviceIndex();
// The blend texture: the first texture piece of `graph` (null clears it) with the two
// border parameters.
int SetBlendGraphD3D(const GraphRecord* graph, int border_value, int border_range);
// Texture filter of every stage of the current device (0 point, 1 bilinear); -1 when down.
int SetDrawModeD3D(int filter_mode);
// Flushes, ends the scene and makes `target` (-4, -2 or a graph) the render target.
int ChooseDrawTargetD3D(int target);
// The device's render target (null: its own target surface); -1 while down or for an
// empty slot; 0 without a call when it is already the target.
int SetDeviceRenderTarget(IDirectDrawSurface7* surface, int device_index);
// The current device's viewport from a rectangle moved by the draw target's origin; 0
// without a change while the keep-viewport flag is set; -1 when down or empty.
int SetViewportFromRect(const RECT* rect, const DrawSettingsBlock& settings);
// Sets the viewport when it differs from the cached one; 0 or non-zero when refused.
int SetDeviceViewport(const D3DVIEWPORT7* viewport, int device_index);
// The keep-viewport flag: while non-zero SetViewportFromRect leaves the viewport alone.
void SetKeepViewportFlag(int flag);

// Texture pieces of graphs (the graph records' piece handles name them).
int CreateGraphTextures(GraphRecord* graph, std::uint32_t transparent_color);
int DeleteGraphTextures(GraphRecord* graph);
int DeriveGraphD3D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source);
int FillGraphTexturesColor(const GraphRecord* graph, int red, int green, int blue, int alpha);
// The image from (x + piece x, y + piece y) into every piece; or a rectangle of it placed
// at (dest_x, dest_y) of the graph, into the pieces it crosses.
int BltImageToGraphTextures(const ImageSource& source, int x, int y, const GraphRecord* graph);
int BltImageRectToGraphTextures(const ImageSource& source, const RECT* src_rect, int dest_x, int dest_y,
                                const GraphRecord* graph);
int RestoreGraphTextures(const GraphRecord* graph);
// The movie's new frame, when it has one, written into the texture pieces of the graph
// that shows it (each piece takes the part of the frame it covers); always 0.
int UpdateMovieGraphTextures(MovieRecord* movie, GraphRecord* graph);
// Where a texture piece lies: the SurfaceData handle holding its texture surface and the
// piece's position inside that surface. 0, or -1 for a bad piece handle.
int GetSurface3DDataPlace(int piece, int* surface_data, int* x, int* y);
// Texture-format slots 0 to 8 chosen at start-up (read only while Direct3D is up), and
// the Z-buffer format (null while Direct3D is down).
const ColorFormat* GetTextureFormatColorFormat(int slot);
const DDPIXELFORMAT* GetTextureFormatPixelFormat(int slot);
const DDPIXELFORMAT* GetZBufferPixelFormat();
constexpr int kTextureSlotAlphaChannel16 = 2;
constexpr int kTextureSlotAlphaTest16 = 4;

// 1 while the device cannot draw (a system-memory graph is the draw target), else 0.
int IsD3DDeviceUnavailable();

