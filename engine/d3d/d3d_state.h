// The Direct3D renderer's own records and the calls its files make of one another: the
// renderer-wide state, the device records with their state caches and vertex batches,
// texture-format slots, texture pieces and lights. Private to engine/d3d; other rooms
// use the door, engine/d3d/d3d.h. Relies on the graphics core's door for SurfaceData,
// graph records and the screen's surfaces.
#pragma once

#include <cstdint>

#include "engine/d3d/d3d.h"
#include "engine/pixels/pixels.h"
#include "platform/d3d7.h"
#include "platform/ddraw.h"

struct GraphRecord;
struct ImageSource;

// ---- vertex batches -----------------------------------------------------------------
// Pre-transformed vertices of the three layouts the engine draws with.
struct D3DVertexColour {  // type 0: x, y, z, rhw, diffuse (FVF 0x44)
    float x, y, z, rhw;
    std::uint32_t diffuse;
};
struct D3DVertexTextured {  // type 1: plus one (u, v) (FVF 0x144)
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};
struct D3DVertexBlend {  // type 2: plus specular and two (u, v) pairs (FVF 0x2c4)
    float x, y, z, rhw;
    std::uint32_t diffuse;
    std::uint32_t specular;
    float u0, v0;  // the blend texture's coordinates
    float u1, v1;  // the graph texture's coordinates
};
static_assert(sizeof(D3DVertexColour) == 20);
static_assert(sizeof(D3DVertexTextured) == 28);
static_assert(sizeof(D3DVertexBlend) == 40);

constexpr int kVertexTypeCount = 3;
struct VertexBatchFormat {
    DWORD fvf;
    int bytes;
    int capacity;  // vertices in the type's buffer
};
inline constexpr VertexBatchFormat kVertexBatchFormats[kVertexTypeCount] = {
    {D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 20, 3225},
    {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28, 2340},
    {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2, 40, 1638},
};

// The wishes a draw hands to PrepareDrawStates.
enum DrawWishFlags : std::uint32_t {
    kWishTransparent = 0x1,
    kWishExact = 0x2,
    kWishDepth = 0x4,
    kWishSmooth = 0x8,
    kWishPerspective = 0x10,
    kWishModulateColour = 0x20,
    kWishDiffuseAlpha = 0x40,
    kWishFog = 0x80,
    kWishKeepTextureState = 0x100,
    kWishLighting = 0x200,
};

// ---- texture formats and pieces ---------------------------------------------------------
constexpr int kTextureFormatSlotCount = 9;
struct TextureFormatSlot {
    DDPIXELFORMAT pixel_format;
    ColorFormat color_format;  // empty while its bit depth is 0
};

constexpr int kSurface3DSlots = 65536;
constexpr std::uint32_t kSurface3DHandleKindValue = 0x30000000u;

struct Surface3DData {
    std::uint32_t check;
    std::int32_t* owner_flag;  // 1 is written through it when the piece is deleted
    std::uint16_t graph_x, graph_y;
    std::uint16_t texture_x, texture_y;
    std::uint16_t source_x, source_y;
    std::uint16_t width, height;
    D3DVertexTextured vertices[4];  // top-left, top-right, bottom-left, bottom-right
    std::uint8_t diagonal[4];       // 1 when the corner lies on or above the anti-diagonal
    std::int32_t owner_graph;
    std::int32_t surface_data;  // SurfaceData handle of the texture, shared by derived pieces
};

// ---- the render-state cache -----------------------------------------------------------
constexpr int kD3DStageCount = 8;
constexpr std::uint16_t kStageLeave = 0xFFFF;

// Six stage values in the order the set-up tables hold them.
struct StageValues {
    std::uint16_t alpha_arg1, alpha_arg2, alpha_op;
    std::uint16_t color_arg1, color_arg2, color_op;
};

// One stage of the cache: the texture set on it, a word not read, the six values.
struct StageCacheEntry {
    IDirectDrawSurface7* texture;
    std::uint32_t unused;
    StageValues values;
};

// One row of the stage set-up: the number of stages, then eight descriptions (two words
// not read, the six values).
struct StageSetupStage {
    std::uint32_t words[2];
    StageValues values;
};
struct StageSetup {
    std::uint32_t stage_count;
    StageSetupStage stages[kD3DStageCount];
};

struct RenderStateCache {
    std::uint32_t alpha_test_enable;
    std::uint32_t alpha_ref;
    std::uint32_t alpha_func;
    std::uint32_t alpha_blend_enable;
    std::uint32_t diffuse_material_source;
    std::uint32_t specular_material_source;
    std::uint32_t specular_enable;
    std::uint32_t texture_factor;
    std::uint32_t src_blend;
    std::uint32_t dest_blend;
    std::uint32_t stage_count;
    StageCacheEntry stages[kD3DStageCount];
};

// ---- device records ----------------------------------------------------------------------
constexpr int kD3DDeviceRecords = 4;

struct D3DDeviceRecord {
    std::uint32_t in_use;
    IDirect3DDevice7* device;
    IDirectDrawSurface7* own_render_target;
    IDirectDrawSurface7* render_target;
    IDirectDrawSurface7* texture;        // the graph texture (stage 0 without a blend texture)
    IDirectDrawSurface7* blend_texture;  // null = none
    const Surface3DData* last_piece;     // cleared when a scene begins
    std::uint32_t last_wishes;
    std::uint32_t modulate_colour;
    std::uint32_t diffuse_alpha;
    std::int32_t blend_mode;
    std::int32_t blend_border_position;  // -1 at creation
    std::int32_t blend_border_width;
    std::uint32_t alpha_channel;
    std::uint32_t alpha_test;
    std::uint32_t dirty;            // 1 at creation
    std::uint32_t texture_changed;  // only the graph texture changed
    std::uint32_t skip_draw;        // the flush drops pending vertices
    std::uint32_t force;            // every cached setter issues its call
    RenderStateCache cache;
    std::uint32_t in_scene;
    std::uint32_t filter_mode;  // 0 nearest, 1 bilinear
    std::uint32_t mag_filter[kD3DStageCount];  // indexes into the filter tables
    std::uint32_t min_filter[kD3DStageCount];
    std::uint32_t mip_filter[kD3DStageCount];
    std::uint32_t z_enable;  // engine values
    std::uint32_t z_write;
    std::uint32_t z_func;
    std::uint32_t z_bias;
    std::uint32_t shade_mode;
    std::uint32_t cull_mode;
    std::uint32_t texture_address;
    std::uint32_t fog_enable;
    std::uint32_t texture_perspective;
    std::uint32_t lighting;
    std::uint32_t colour_key_enable;
    // The vertex batch.
    std::uint8_t* write_pointer;
    std::uint32_t vertex_count;
    std::uint32_t vertex_type;  // 0, 1 or 2
    D3DPRIMITIVETYPE primitive_type;
    D3DVIEWPORT7 viewport;
    void* buffers[kVertexTypeCount];
    D3DVertexColour colour_vertices[3225];
    D3DVertexTextured textured_vertices[2340];
    D3DVertexBlend blend_vertices[1638];
};

// ---- lights ----------------------------------------------------------------------------------
constexpr int kLightSlots = 4096;
constexpr std::uint32_t kLightHandleKindValue = 0x60000000u;

struct D3DLightBlock {
    std::uint32_t type;  // 3 = directional
    float diffuse[4];    // red, green, blue, alpha
    float specular[4];
    float ambient[4];
    float position[3];
    float direction[3];
    float range;
    float falloff;
    float attenuation[3];
    float theta;
    float phi;
};

struct LightData {
    std::uint32_t check;
    std::int32_t handle;
    D3DLightBlock light;
    std::int32_t device_index;  // -1 = not on a device
    std::uint32_t enabled;
    std::uint32_t changed;
};

struct LightTable {
    LightData* records[kLightSlots];
    std::int32_t count;
    std::int32_t end_mark;  // one past the highest slot in use
    std::int32_t next_check;
    std::int32_t lights_changed;
};

// ---- the renderer ----------------------------------------------------------------------------
struct D3DRendererState {
    IDirect3D7* direct3d;  // null while the renderer is down or released
    std::int32_t current_device;
    std::int32_t tnl_device;
    D3DDEVICEDESC7 device_desc;
    std::uint32_t min_texture_size;
    std::uint32_t max_texture_size;
    Surface3DData* pieces[kSurface3DSlots];
    std::int32_t piece_count;
    std::int32_t piece_next_check;
    std::int32_t piece_end_mark;
    float blend_width;
    float blend_height;
    float blend_width_reciprocal;
    float blend_height_reciprocal;
    std::uint32_t vertex_diffuse;  // 0xAARRGGBB
    TextureFormatSlot slots[kTextureFormatSlotCount];
    std::int32_t end_scene_each_draw;
    std::int32_t device_unavailable;
    DDPIXELFORMAT z_buffer_format;
    std::int32_t capture_method[2];  // textures without alpha, with alpha channel or test
    std::int32_t initialised;
    std::int32_t keep_viewport;  // while set, SetViewportFromRect leaves the viewport alone
    IDirectDrawSurface7* few_stages_surface;  // made on devices with fewer than 4 blend stages
};

// The one renderer state (start-up zeroes it except the device records) and the records.
D3DRendererState& D3DState();
D3DDeviceRecord* D3DDeviceRecords();  // kD3DDeviceRecords of them
// What the graphics core installed for the renderer to call.
const D3DGraphicsHooks& GraphicsCore();
// The record of a device handle while in use and the Direct3D object exists, else null.
D3DDeviceRecord* GetD3DDeviceRecord(int device);
D3DDeviceRecord* CurrentD3DDeviceRecord();

// With 1 (the default) the screen takes Direct3D wherever the 3-D object can be had;
// with 0 start-up refuses it and the screen falls back to software rendering (the tests
// switch it).
extern int g_direct3d_renderer_enabled;
int IsDirect3DRendererEnabled();

// ---- start-up, devices, display loss (device_lifecycle.cpp) ------------------------------
int Create3DDevice(IDirectDrawSurface7* surface, const DrawSettingsBlock& settings);
void ReapplyDeviceStates(int device);
int DeleteAllD3DDevices();
int ReleaseD3DDevice(int device);
int RestoreD3DDevice(int device, const DrawSettingsBlock& settings);
int RestoreGraphTextures(const GraphRecord* graph);
const DDPIXELFORMAT* GetZBufferPixelFormat();
int SetDrawModeD3D(int filter_mode);
int SetBlendGraphD3D(const GraphRecord* graph, int border_position, int border_width);
int SetViewportFromRect(const RECT* rect, const DrawSettingsBlock& settings);

// ---- texture formats and pieces (texture_formats.cpp, texture_pieces.cpp) ------------------
HRESULT EnumTextureFormatCallback(DDPIXELFORMAT* format, void* found);
void FillEmptyTextureFormatSlots();
// Creation bytes in GraphRecord order: texture, alpha channel, drawable, system memory,
// unmanaged texture, alpha test, bit depth.
const ColorFormat* GetTextureColorFormatForFlags(const std::uint8_t* creation_bytes);
const ColorFormat* GetTextureColorFormat(int alpha_channel, int alpha_test, int bits32, int drawable);
const DDPIXELFORMAT* GetTextureFormatPixelFormat(int slot);
const ColorFormat* GetTextureFormatColorFormat(int slot);
int AddSurface3DData(int texture_width, int texture_height, int graph_x, int graph_y, int width, int height,
                     int source_x, int source_y, int owner_graph, const Surface3DData* parent, int texture_x,
                     int texture_y, const std::uint8_t* creation_bytes, std::uint32_t transparent_color);
Surface3DData* GetSurface3DData(int handle);
int DeleteSurface3DData(int handle);
// Writes `source_rect` of the image at (x, y) of the piece's texture.
int WriteImageToPieceTexture(const ImageSource& source, const RECT* source_rect, int x, int y, int piece,
                             std::uint32_t alpha_from_red);

// ---- graph textures (graph_textures.cpp) ----------------------------------------------
int DivideTextureSide(int length, int* sizes, int prefer_one);
int CreateGraphTextures(GraphRecord* graph, std::uint32_t transparent_color);
int DeleteGraphTextures(GraphRecord* graph);
int FillGraphTexturesColor(const GraphRecord* graph, int red, int green, int blue, int alpha);
int BltImageToGraphTextures(const ImageSource& source, int x, int y, const GraphRecord* graph);
int BltImageRectToGraphTextures(const ImageSource& source, const RECT* source_rect, int x, int y,
                                const GraphRecord* graph);
int DeriveGraphD3D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source);

// ---- lights (light_table.cpp) ------------------------------------------------------------
// The light table (light_table.cpp).
extern LightTable g_lights;
int CreateLightHandle();
int CreateDirectionalLight(float x, float y, float z);
int DeleteLightHandle(int handle);
int DeleteAllLightHandles();
LightData* GetLightData(int handle);

// ---- the render-state cache (device_states.cpp, blend_setup.cpp) ---------------------------
int SetDeviceTexture(int device, IDirectDrawSurface7* texture);
int SetDeviceBlendTexture(int device, IDirectDrawSurface7* texture, int border_position, int border_width);
int SetDeviceBlendMode(int device, int blend_mode, int alpha_channel, int alpha_test);
int SetDeviceModulateColor(int device, int flag);
int SetDeviceDiffuseAlpha(int device, int flag);
// 0 when something was applied, -1 when there was nothing to do.
int ApplyDeviceRenderState(int device);
int SetDeviceFilter(int device, int mode);
int SetDeviceColorKeyEnable(int device, int value);
int SetDeviceZEnable(int device, int value);
int SetDeviceZWrite(int device, int value);
int SetDeviceZFunc(int device, int value);
int SetDeviceZBias(int device, int value);
int SetDeviceCullMode(int device, int value);
int SetDeviceShadeMode(int device, int value);
int SetDeviceFogEnable(int device, int value);
int SetDeviceTexturePerspective(int device, int value);
int SetDeviceLighting(int device, int value);
int SetDeviceRenderTarget(IDirectDrawSurface7* surface, int device);
int SetDeviceViewport(const D3DVIEWPORT7* viewport, int device);
void ReapplyDeviceFixedStates(int device);
// Gives a new device the six stage values its cache holds, on all eight stages: the
// setters skip a value equal to the cached one, so the device must hold what the cache
// says, not its own defaults (which differ: an argument left at the current colour would
// otherwise never become the diffuse colour).
void WriteCachedStageValues(int device);
int SetDeviceTransform(int device, int index, const float matrix[16]);
// 1 for a blend mode of the table (0 to 11); under any other mode nothing is drawn.
int IsBlendModeDrawable(int blend_mode);
// The stage set-up row for the inputs, or null for a blend mode outside 0 to 11.
const StageSetup* SelectStageSetup(int blend_mode, int alpha_kind, int diffuse_alpha, int modulate_colour,
                                   int with_blend_texture);

// ---- batches, scenes, per-draw set-up (vertex_batch.cpp, draw_setup.cpp) -------------------
int BeginDeviceScene(int device);
int EndDeviceScene(int device);
int FlushVertexBatch(int device);
void PrepareDrawStates(const DrawSettingsBlock& draw_state, const Surface3DData* piece, std::uint32_t wishes);
IDirect3DDevice7* GetCurrentD3DDevice();
int UnlockSurface3DData(int piece, const RECT* rect);
// Room for `count` vertices of the current type at the batch's write pointer, after
// issuing what is pending when the primitive type differs or the batch would overflow
// (6-vertex groups never fill the buffer exactly, the 24-vertex outline may); the count
// and pointer are advanced. Null for a count the buffer cannot hold.
void* ReserveBatchVertices(D3DDeviceRecord* record, int count);
// The texture of a piece's SurfaceData, or null.
IDirectDrawSurface7* GetPieceTexture(const Surface3DData* piece);

// ---- drawing graphs, targets, boxes, text (graph_draws.cpp, target_draws.cpp) -------------
int DrawGraphFourPointD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                          int y4, const GraphRecord* graph, int transparent);
void DrawPieceOnQuad(float z, int piece, const float top_left[2], const float top_right[2], const float bottom_left[2],
                     const float bottom_right[2]);
int DrawGridStrips(int device, int columns, int rows, D3DVertexTextured* vertices);
int ChooseDrawTargetD3D(int target);

// ---- screen capture (screen_capture.cpp) ------------------------------------------------
using ScreenCaptureMethod = int (*)(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag);
// The ways, in the order they are tried, ending with a null entry (tests replace them).
constexpr int kScreenCaptureMethodCount = 5;
extern ScreenCaptureMethod g_screen_capture_methods[kScreenCaptureMethodCount + 1];
