// The Direct3D renderer until it is built: the display offers no 3-D interface, so
// start-up is refused and the screen falls back to software rendering with GDI output;
// nothing is ever up, pending or in a scene. Graph draws through 3-D fail; boxes fall back
// to the 2-D path, as the renderer does without a device.
#include "engine/d3d/d3d.h"
#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"

namespace {

int g_stand_in_starts = 0;
int g_three_d_in_use = 0;
constexpr int kKeptBoxCalls = 16;
Direct3DStandInBoxCall g_box_calls[kKeptBoxCalls];
int g_box_call_count = 0;

void KeepBoxCall(int fill, int x1, int y1, int x2, int y2, std::uint32_t colour) {
    const DrawSettingsBlock* settings = GetDrawSettings();
    Direct3DStandInBoxCall& call = g_box_calls[g_box_call_count % kKeptBoxCalls];
    call = Direct3DStandInBoxCall{fill,
                                  RECT{x1, y1, x2, y2},
                                  colour,
                                  settings->blend_mode,
                                  settings->blend_value,
                                  static_cast<std::uint32_t>(settings->bright[2]) << 16 |
                                      static_cast<std::uint32_t>(settings->bright[1]) << 8 | settings->bright[0]};
    ++g_box_call_count;
}

}  // namespace

void SetDirect3DStandInStarts(int starts) { g_stand_in_starts = starts; }
void SetDirect3DStandInThreeDInUse(int in_use) { g_three_d_in_use = in_use; }
int GetDirect3DStandInBoxCallCount() { return g_box_call_count; }
Direct3DStandInBoxCall GetDirect3DStandInBoxCall(int index) {
    if (index < 0 || index >= g_box_call_count || index < g_box_call_count - kKeptBoxCalls) return {};
    return g_box_calls[index % kKeptBoxCalls];
}

int InitializeDirect3D() {
    IDirectDraw7* object = GetDirectDrawObject();
    if (object == nullptr) return -1;
    if (g_stand_in_starts) return 0;
    IUnknown* direct3d = nullptr;
    if (FAILED(object->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&direct3d)))) return -1;
    direct3d->Release();
    return -1;  // a 3-D object without a renderer behind it is no use
}

int TerminateDirect3D() { return -1; }
int RestoreAllSurface3DTextures() { return -1; }
int ReleaseDirect3DObject() { return -1; }
int AcquireDirect3DObject() { return 0; }
int SetWorldMatrixD3D(const float*, int) { return -1; }
int SetViewMatrixD3D(const float*) { return -1; }
int SetProjectionMatrixD3D(const float*) { return -1; }
int NotifyDirect3DStateChange() { return 0; }
void FlushCurrentVertexBatch() {}
void EndSceneD3D() {}
int DeleteAllSurface3DData() { return g_three_d_in_use ? 0 : -1; }
int Direct3DStandInStartsRequested() { return g_stand_in_starts; }
int Direct3DStandInThreeDInUseRequested() { return g_three_d_in_use; }

int DrawGraphD3D(int, int, float, float, const GraphRecord*, int, int) { return -1; }
int DrawGraphStretchD3D(int, int, int, int, float, float, float, float, const GraphRecord*, int, int) { return -1; }
int DrawGraphQuadD3D(float, float, float, float, float, float, float, float, const GraphRecord*, int) { return -1; }

int DrawFillBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    KeepBoxCall(1, x1, y1, x2, y2, colour);
    return DrawFillBoxSoft(x1, y1, x2, y2, colour);
}

int DrawLineBoxD3D(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    KeepBoxCall(0, x1, y1, x2, y2, colour);
    return DrawLineBoxSoft(x1, y1, x2, y2, colour);
}

int ClearDrawTargetD3D() { return 0; }
int GetDrawScreenGraphD3D(int, int, int, int, const GraphRecord*, int) { return -1; }
void UpdateVertexDiffuseColor() {}

int SetBlendGraphD3D(const GraphRecord*, int, int) { return -1; }
int SetDrawModeD3D(int) { return -1; }
int ChooseDrawTargetD3D(int) { return 0; }
int SetDeviceRenderTarget(IDirectDrawSurface7*, int) { return -1; }
int SetViewportFromRect(const RECT*) { return -1; }
int SetDeviceViewport(const D3DVIEWPORT7*, int) { return -1; }
int CreateGraphTextures(GraphRecord*) { return -1; }
int DeleteGraphTextures(GraphRecord*) { return -1; }
int DeriveGraphD3D(GraphRecord*, int, int, int, int, const GraphRecord*) { return -1; }
int FillGraphTexturesColor(const GraphRecord*, int, int, int, int) { return -1; }
int BltImageToGraphTextures(const ImageSource&, int, int, const GraphRecord*) { return -1; }
int BltImageRectToGraphTextures(const ImageSource&, const RECT*, int, int, const GraphRecord*) { return -1; }
int RestoreGraphTextures(const GraphRecord*) { return -1; }
const DDPIXELFORMAT* GetZBufferPixelFormat() { return nullptr; }
int DrawStringD3D(int, int, const char*, std::uint32_t, int, std::uint32_t, int) { return -1; }
Surface3DData* GetSurface3DData(int) { return nullptr; }
