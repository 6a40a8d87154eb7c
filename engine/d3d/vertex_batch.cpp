// The vertex batch of a device record and the scene bracket: draws append vertices to
// the buffer of the current vertex type, and the pending vertices reach the device in one
// DrawPrimitive when the batch must be emptied. While quit is requested or the set-up
// skips drawing, a flush drops them. Relies on core's system block for the quit flag.
#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

void IssuePending(D3DDeviceRecord* record) {
    const VertexBatchFormat& format = kVertexBatchFormats[record->vertex_type];
    record->device->DrawPrimitive(record->primitive_type, format.fvf, record->buffers[record->vertex_type],
                                  record->vertex_count, 0);
}

void EmptyBatch(D3DDeviceRecord* record) {
    record->vertex_count = 0;
    record->write_pointer = static_cast<std::uint8_t*>(record->buffers[record->vertex_type]);
}

}  // namespace

void* ReserveBatchVertices(D3DDeviceRecord* record, int count) {
    const VertexBatchFormat& format = kVertexBatchFormats[record->vertex_type];
    if (count <= 0 || count > format.capacity) return nullptr;
    if (record->vertex_count > 0) {
        const std::uint32_t after = record->vertex_count + static_cast<std::uint32_t>(count);
        const auto capacity = static_cast<std::uint32_t>(format.capacity);
        // A 6-vertex group never fills the buffer exactly; the 24-vertex outline may.
        const bool overflow = count == 6 ? after >= capacity : after > capacity;
        if (record->primitive_type != D3DPT_TRIANGLELIST || overflow) {
            // Vertices under a blend mode without a table row are never drawn.
            if (IsBlendModeDrawable(record->blend_mode)) IssuePending(record);
            EmptyBatch(record);
        }
    }
    record->primitive_type = D3DPT_TRIANGLELIST;
    std::uint8_t* at = record->write_pointer;
    record->write_pointer += static_cast<std::size_t>(count) * static_cast<std::size_t>(format.bytes);
    record->vertex_count += static_cast<std::uint32_t>(count);
    return at;
}

int FlushVertexBatch(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->vertex_count > 0 && GetSystemBlock()->window.quit == 0 && record->skip_draw == 0) IssuePending(record);
    EmptyBatch(record);
    return 0;
}

void FlushCurrentVertexBatch() { FlushVertexBatch(D3DState().current_device); }

int BeginDeviceScene(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->in_scene == 0) {
        record->device->BeginScene();
        record->in_scene = 1;
        record->last_piece = nullptr;
        record->last_wishes = 0;
    }
    return 0;
}

int EndDeviceScene(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->in_scene == 1) {
        FlushVertexBatch(device);
        record->device->EndScene();
        record->in_scene = 0;
    }
    return 0;
}

void EndSceneD3D() { EndDeviceScene(D3DState().current_device); }

int UnlockSurface3DData(int piece, const RECT* rect) {
    const Surface3DData* record = GetSurface3DData(piece);
    if (record == nullptr) return -1;
    return GraphicsCore().UnlockSurfaceData(record->surface_data, rect);
}
