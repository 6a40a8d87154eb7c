// Display loss: the 3-D object and the current device given up (piece textures released,
// records kept) when the display is lost, got back with a new device and re-created
// piece textures after the rebuild, and lost piece textures restored on reactivation.
// Relies on the graphics core's SurfaceData records and screen surfaces.
#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

int ReleaseD3DDevice(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->device != nullptr) {
        D3DRendererState& state = D3DState();
        for (int slot = 0; slot < state.piece_end_mark; ++slot) {
            if (state.pieces[slot] != nullptr) GraphicsCore().ReleaseSurfaceDataSurface(state.pieces[slot]->surface_data);
        }
        record->device->Release();
        record->device = nullptr;
        WriteLogText("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n");
    }
    return 0;
}

int ReleaseDirect3DObject() {
    D3DRendererState& state = D3DState();
    if (!state.initialised) return -1;
    ReleaseD3DDevice(state.current_device);
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します\n");
    if (state.direct3d == nullptr) {
        WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています\n");
    } else {
        state.direct3d->Release();
        state.direct3d = nullptr;
        WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました\n");
    }
    return 0;
}

int AcquireDirect3DObject(const DrawSettingsBlock& settings) {
    D3DRendererState& state = D3DState();
    if (!state.initialised) return 0;
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
    if (state.direct3d != nullptr) {
        WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されています\n");
        return 0;
    }
    IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
    if (object == nullptr ||
        FAILED(object->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&state.direct3d)))) {
        state.direct3d = nullptr;
        return WriteLogText("Direct3Dオブジェクトの作成に失敗しました\n");
    }
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n");
    D3DDeviceRecord* record = CurrentD3DDeviceRecord();
    if (record != nullptr) {
        record->own_render_target = GraphicsCore().GetFrontSurface();
        record->render_target = GraphicsCore().GetDrawTargetSurface();
    }
    return RestoreD3DDevice(state.current_device, settings);
}

int RestoreD3DDevice(int device, const DrawSettingsBlock& settings) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->device != nullptr) return 0;
    D3DRendererState& state = D3DState();
    WriteLogText("３Ｄデバイスを作成します... ");
    if (FAILED(state.direct3d->CreateDevice(state.device_desc.deviceGUID, record->own_render_target,
                                            &record->device))) {
        record->device = nullptr;
        return WriteLogText("３Ｄデバイスの作成に失敗しました\n");
    }
    record->device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 0);
    WriteCachedStageValues(device);
    WriteLogText("３Ｄデバイスの作成に成功しました\n");
    record->force = 1;
    if (record->render_target != record->own_render_target && record->render_target != nullptr) {
        SetDeviceRenderTarget(record->render_target, device);
    }
    // The textures the old device held went with the display: none is set on the new one,
    // and the blend texture is chosen again by the next blend-graph setting.
    record->texture = nullptr;
    record->blend_texture = nullptr;
    for (StageCacheEntry& stage : record->cache.stages) stage.texture = nullptr;
    record->in_scene = 0;  // the new device has no scene open
    record->vertex_count = 0;
    record->write_pointer = static_cast<std::uint8_t*>(record->buffers[record->vertex_type]);
    SetDeviceBlendMode(device, record->blend_mode, static_cast<int>(record->alpha_channel),
                       static_cast<int>(record->alpha_test));
    SetDeviceCullMode(device, static_cast<int>(record->cull_mode));
    SetDeviceFilter(device, static_cast<int>(record->filter_mode));
    SetDeviceColorKeyEnable(device, static_cast<int>(record->colour_key_enable));
    SetViewportFromRect(&settings.draw_area, settings);
    ReapplyDeviceStates(device);
    ApplyDeviceRenderState(device);
    int seen = 0;
    for (int slot = 0; slot < kSurface3DSlots && seen < state.piece_count; ++slot) {
        const Surface3DData* piece = state.pieces[slot];
        if (piece == nullptr) continue;
        ++seen;
        // Pieces sharing a texture find it made already and leave it be.
        GraphicsCore().CreateSurfaceDataSurface(piece->surface_data);
        GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
    record->force = 0;
    return 0;
}

int RestoreAllSurface3DTextures() {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    for (int slot = 0; slot < state.piece_end_mark; ++slot) {
        if (state.pieces[slot] != nullptr) GraphicsCore().RestoreSurfaceDataIfLost(state.pieces[slot]->surface_data);
    }
    return 0;
}

int RestoreGraphTextures(const GraphRecord* graph) {
    if (D3DState().direct3d == nullptr) return -1;
    int result = 0;
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        result |= GraphicsCore().RestoreSurfaceDataIfLost(piece->surface_data);
    }
    return result;
}
