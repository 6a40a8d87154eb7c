// The parts of the Direct3D renderer not built yet, and the stand-in's test hooks: graph
// draws through 3-D fail; boxes fall back to the 2-D path, as the renderer does without a
// device; start-up may be made to answer 0 without a device, and pieces to count as in use.
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

int ChooseDrawTargetD3D(int) { return 0; }
int CreateGraphTextures(GraphRecord*) { return -1; }
int DeleteGraphTextures(GraphRecord*) { return -1; }
int DeriveGraphD3D(GraphRecord*, int, int, int, int, const GraphRecord*) { return -1; }
int FillGraphTexturesColor(const GraphRecord*, int, int, int, int) { return -1; }
int BltImageToGraphTextures(const ImageSource&, int, int, const GraphRecord*) { return -1; }
int BltImageRectToGraphTextures(const ImageSource&, const RECT*, int, int, const GraphRecord*) { return -1; }
int DrawStringD3D(int, int, const char*, std::uint32_t, int, std::uint32_t, int) { return -1; }
