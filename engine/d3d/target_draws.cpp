// The draw target, its clear, filled boxes, box outlines and texture-cache text through
// Direct3D. Choosing the target decides whether every draw ends its scene (the front
// buffer) and whether the device can draw at all (a system-memory graph target). Relies
// on the batch and per-draw set-up and the graph core's records.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

// The box colour scaled by the vertex diffuse colour (the bright colour), with its alpha.
std::uint32_t BoxDiffuse(std::uint32_t colour) {
    int r = 0, g = 0, b = 0;
    GraphicsCore().SplitColorValue(colour, &r, &g, &b);
    const std::uint32_t d = D3DState().vertex_diffuse;
    const std::uint32_t red = ((d >> 16) & 0xFFu) * static_cast<std::uint32_t>(r) / 255u;
    const std::uint32_t green = ((d >> 8) & 0xFFu) * static_cast<std::uint32_t>(g) / 255u;
    const std::uint32_t blue = (d & 0xFFu) * static_cast<std::uint32_t>(b) / 255u;
    return (d & 0xFF000000u) | red << 16 | green << 8 | blue;
}

// The untextured set-up every box draw begins with; the device record, or null.
D3DDeviceRecord* BeginBoxDraw(const DrawSettingsBlock& draw_state, int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return nullptr;
    BeginDeviceScene(device);
    SetDeviceTexture(device, nullptr);
    PrepareDrawStates(draw_state, nullptr, (draw_state.depth_test != 0 ? kWishDepth : 0u) | kWishModulateColour);
    if (record->dirty || record->texture_changed) ApplyDeviceRenderState(device);
    return record;
}

// Appends rectangles (left, top, right, bottom) as two triangles each, in the corner
// order top-left, top-right, bottom-left, bottom-right, bottom-left, top-right.
void AppendBars(float z, D3DDeviceRecord* record, const float bars[][4], int count, std::uint32_t diffuse) {
    // Untextured vertices fit only the untextured batch.
    if (record->vertex_type != 0 || count <= 0) return;
    auto* out = static_cast<D3DVertexColour*>(ReserveBatchVertices(record, 6 * count));
    if (out == nullptr) return;
    for (int i = 0; i < count; ++i) {
        const float* b = bars[i];
        const D3DVertexColour tl{b[0], b[1], z, 1.0f, diffuse}, tr{b[2], b[1], z, 1.0f, diffuse};
        const D3DVertexColour bl{b[0], b[3], z, 1.0f, diffuse}, br{b[2], b[3], z, 1.0f, diffuse};
        D3DVertexColour* v = out + 6 * i;
        v[0] = tl;
        v[1] = tr;
        v[2] = bl;
        v[3] = br;
        v[4] = bl;
        v[5] = tr;
    }
}

void EndSceneAfterDraw(int device) {
    if (D3DState().end_scene_each_draw) EndDeviceScene(device);
}

}  // namespace

int ChooseDrawTargetD3D(int target) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return 0;
    const int device = state.current_device;
    FlushVertexBatch(device);
    EndDeviceScene(device);
    SetDeviceRenderTarget(nullptr, device);
    SetDeviceTexture(device, nullptr);
    if (target == kDrawTargetFront) {
        SetDeviceRenderTarget(GraphicsCore().GetFrontSurface(), device);
        state.end_scene_each_draw = 1;
        state.device_unavailable = 0;
        return 0;
    }
    if (target == kDrawTargetBack) {
        SetDeviceRenderTarget(GraphicsCore().GetBackSurface(), device);
        state.end_scene_each_draw = 0;
        state.device_unavailable = 0;
        return 0;
    }
    const GraphRecord* graph = GraphicsCore().GetGraphRecord(target);
    if (graph == nullptr) return -1;
    if (graph->piece_count != 1) return 0;
    IDirectDrawSurface7* surface = nullptr;
    if (graph->creation.texture) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[0]);
        if (piece == nullptr) return -1;
        const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
        if (data == nullptr || data->creation.drawable != 1 || data->surface == nullptr) return -1;
        surface = data->surface;
    } else {
        const Surface2D* piece = GraphicsCore().GetSurface2DRecord(graph->pieces[0]);
        const SurfaceData* data = piece != nullptr ? GraphicsCore().GetSurfaceData(piece->surface_data) : nullptr;
        if (data == nullptr) return -1;
        // A graph held in system memory (or in a software image) is out of the device's reach.
        if (data->software || data->creation.system_memory || data->surface == nullptr) {
            state.device_unavailable = 1;
            return -1;
        }
        surface = data->surface;
    }
    SetDeviceRenderTarget(surface, device);
    state.end_scene_each_draw = 0;
    state.device_unavailable = 0;
    return 0;
}

int ClearDrawTargetD3D(const DrawSettingsBlock& draw_state) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    const DrawSettingsBlock* settings = &draw_state;
    if (settings->graphics_off) return 0;
    const int device = state.current_device;
    FlushVertexBatch(device);
    EndDeviceScene(device);
    const int target = settings->draw_target;
    if (target == kDrawTargetFront || target == -3 || target == kDrawTargetBack) return 0;
    const GraphRecord* graph = GraphicsCore().GetGraphRecord(target);
    if (graph == nullptr || !graph->creation.texture) return 0;
    const Surface3DData* piece = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (piece == nullptr) return -1;
    const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
    if (data == nullptr || data->surface == nullptr) return -1;
    RECT rect{0, 0, data->width, data->height};
    DDBLTFX fx;
    if (data->attached_surface != nullptr) {
        std::memset(&fx, 0, sizeof fx);
        fx.dwSize = 100;
        fx.dwFillDepth = 0xFFFF;
        data->attached_surface->Blt(&rect, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx);
    }
    const WindowSettings& window = GetSystemBlock()->settings;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = 100;
    fx.dwFillColor = MakeColorValueInFormat(GetTextureFormatColorFormat(data->format_index),
                                            static_cast<std::uint32_t>(window.background_red),
                                            static_cast<std::uint32_t>(window.background_green),
                                            static_cast<std::uint32_t>(window.background_blue), 0);
    data->surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    return 0;
}

int DrawFillBoxD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, std::uint32_t colour) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.device_unavailable) return GraphicsCore().DrawFillBoxSoft(x1, y1, x2, y2, colour);
    const int device = state.current_device;
    if (GetD3DDeviceRecord(device) == nullptr) return -1;
    FlushVertexBatch(device);
    const DrawSettingsBlock* settings = &draw_state;
    RECT rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    ClipRectToRect(&rect, &settings->draw_area);
    if (rect.left == rect.right || rect.top == rect.bottom) return 0;
    D3DDeviceRecord* record = BeginBoxDraw(draw_state, device);
    const float ox = static_cast<float>(settings->target_screen_rect.left);
    const float oy = static_cast<float>(settings->target_screen_rect.top);
    const float box[1][4] = {{static_cast<float>(rect.left) + ox, static_cast<float>(rect.top) + oy,
                              static_cast<float>(rect.right) + ox, static_cast<float>(rect.bottom) + oy}};
    AppendBars(settings->vertex_z, record, box, 1, BoxDiffuse(colour));
    EndSceneAfterDraw(device);
    return 0;
}

// Four one-pixel bars that never overlap, so no pixel is blended twice: the top row, the
// right and left columns below it, and the bottom row between them. A box one pixel wide
// has no right column of its own (it is the left one) and one pixel high no bottom row of
// its own (it is the top one); a box of no width or height has no outline.
int DrawLineBoxD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, std::uint32_t colour) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.device_unavailable) return GraphicsCore().DrawLineBoxSoft(x1, y1, x2, y2, colour);
    const int device = state.current_device;
    D3DDeviceRecord* record = BeginBoxDraw(draw_state, device);
    if (record == nullptr) return -1;
    const std::uint32_t diffuse = BoxDiffuse(colour);
    const DrawSettingsBlock* settings = &draw_state;
    const float ox = static_cast<float>(settings->target_screen_rect.left);
    const float oy = static_cast<float>(settings->target_screen_rect.top);
    const long long width = std::llabs(static_cast<long long>(x2) - x1);
    const long long height = std::llabs(static_cast<long long>(y2) - y1);
    const float l = static_cast<float>(std::min(x1, x2)) + ox, r = static_cast<float>(std::max(x1, x2)) + ox;
    const float t = static_cast<float>(std::min(y1, y2)) + oy, b = static_cast<float>(std::max(y1, y2)) + oy;
    float bars[4][4];
    int count = 0;
    if (width > 0 && height > 0) {
        const float top_bar[4] = {l, t, r, t + 1};
        std::copy(top_bar, top_bar + 4, bars[count++]);
        if (height > 1) {
            if (width > 1) {
                const float right_bar[4] = {r - 1, t + 1, r, b};
                std::copy(right_bar, right_bar + 4, bars[count++]);
            }
            const float left_bar[4] = {l, t + 1, l + 1, b};
            std::copy(left_bar, left_bar + 4, bars[count++]);
            if (width > 2) {
                const float bottom_bar[4] = {l + 1, b - 1, r - 1, b};
                std::copy(bottom_bar, bottom_bar + 4, bars[count++]);
            }
        }
    }
    AppendBars(settings->vertex_z, record, bars, count, diffuse);
    EndSceneAfterDraw(device);
    return 0;
}
