// Device settings the graphics core passes on: the texture filter, the blend graph (its
// first piece's texture as the blend texture, with the border) and the viewport from the
// draw area. Relies on the graphics core's draw settings.
#include "engine/d3d/d3d_state.h"

int SetDrawModeD3D(int filter_mode) {
    if (D3DState().direct3d == nullptr) return -1;
    SetDeviceFilter(D3DState().current_device, filter_mode);
    return 0;
}

int SetBlendGraphD3D(const GraphRecord* graph, int border_position, int border_width) {
    D3DRendererState& state = D3DState();
    const int device = state.current_device;
    if (graph != nullptr) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[0]);
        if (piece == nullptr) return -1;
        SetDeviceBlendTexture(device, GetPieceTexture(piece), border_position, border_width);
        const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
        if (data != nullptr && data->width != 0 && data->height != 0) {
            state.blend_width = data->width;
            state.blend_height = data->height;
            state.blend_width_reciprocal = 1.0f / state.blend_width;
            state.blend_height_reciprocal = 1.0f / state.blend_height;
        }
        return 0;
    }
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr || (record->blend_texture == nullptr && !record->force)) return 0;
    FlushVertexBatch(device);
    record->blend_texture = nullptr;
    if (border_position != -1) record->blend_border_position = border_position;
    if (border_width != -1) record->blend_border_width = border_width;
    record->dirty = 1;
    return 0;
}

int SetViewportFromRect(const RECT* rect, const DrawSettingsBlock& settings) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.keep_viewport) return 0;
    if (rect->right == rect->left || rect->bottom == rect->top) return -1;
    if (state.device_unavailable) return 0;
    D3DVIEWPORT7 viewport{static_cast<DWORD>(rect->left + settings.target_screen_rect.left),
                          static_cast<DWORD>(rect->top + settings.target_screen_rect.top),
                          static_cast<DWORD>(rect->right - rect->left), static_cast<DWORD>(rect->bottom - rect->top),
                          0.0f, 1.0f};
    return SetDeviceViewport(&viewport, state.current_device);
}
