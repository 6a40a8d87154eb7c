// The cached setters of a device record: each render state is issued only when its value
// changes (or while the force flag is up), after the pending vertices are drawn; the
// engine-level inputs of the blend set-up are only recorded and mark the record dirty.
// Also the render target, viewport, fixed stage states and transforms.
#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

// D3DTFG and D3DTFN values by filter index (1 point, 2 linear).
constexpr DWORD kMagFilters[6] = {1, 1, 2, 5, 3, 4};
constexpr DWORD kMinFilters[6] = {1, 1, 2, 3, 3, 3};

int SetCachedState(int device, std::uint32_t D3DDeviceRecord::*field, D3DRENDERSTATETYPE state, std::uint32_t value,
                   DWORD device_value, bool flush, bool report_failure) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->*field == value && !record->force) return 0;
    record->*field = value;
    if (flush) FlushVertexBatch(device);
    const HRESULT result = record->device->SetRenderState(state, device_value);
    return report_failure && FAILED(result) ? -1 : 0;
}

}  // namespace

int SetDeviceColorKeyEnable(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::colour_key_enable, D3DRENDERSTATE_COLORKEYENABLE, v, v, true, false);
}
int SetDeviceZEnable(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::z_enable, D3DRENDERSTATE_ZENABLE, v,
                          value == 1 ? D3DZB_TRUE : D3DZB_FALSE, true, false);
}
int SetDeviceZWrite(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::z_write, D3DRENDERSTATE_ZWRITEENABLE, v, v, true, false);
}
int SetDeviceZFunc(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::z_func, D3DRENDERSTATE_ZFUNC, v, v, true, false);
}
int SetDeviceZBias(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::z_bias, D3DRENDERSTATE_ZBIAS, v, v, true, false);
}
int SetDeviceCullMode(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::cull_mode, D3DRENDERSTATE_CULLMODE, v,
                          value == 0 ? D3DCULL_NONE : D3DCULL_CCW, true, false);
}
int SetDeviceShadeMode(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::shade_mode, D3DRENDERSTATE_SHADEMODE, v, v, true, true);
}
int SetDeviceFogEnable(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::fog_enable, D3DRENDERSTATE_FOGENABLE, v, v, true, true);
}
int SetDeviceTexturePerspective(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::texture_perspective, D3DRENDERSTATE_TEXTUREPERSPECTIVE, v, v,
                          false, true);
}
int SetDeviceLighting(int device, int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return SetCachedState(device, &D3DDeviceRecord::lighting, D3DRENDERSTATE_LIGHTING, v, v, false, false);
}

int SetDeviceTexture(int device, IDirectDrawSurface7* texture) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->texture == texture && !record->force) return 0;
    FlushVertexBatch(device);
    if ((record->texture == nullptr) != (texture == nullptr)) record->dirty = 1;
    record->texture_changed = 1;
    record->texture = texture;
    return 0;
}

int SetDeviceBlendTexture(int device, IDirectDrawSurface7* texture, int border_position, int border_width) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    const int position = border_position != -1 ? border_position : record->blend_border_position;
    const int width = border_width != -1 ? border_width : record->blend_border_width;
    if (texture == nullptr) {
        if (record->blend_texture == nullptr && !record->force) return 0;
    } else if (record->blend_texture == texture && record->blend_border_position == position &&
               record->blend_border_width == width && !record->force) {
        return 0;
    }
    FlushVertexBatch(device);
    record->blend_texture = texture;
    record->blend_border_position = position;
    record->blend_border_width = width;
    record->dirty = 1;
    return 0;
}

int SetDeviceBlendMode(int device, int blend_mode, int alpha_channel, int alpha_test) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    const auto channel = static_cast<std::uint32_t>(alpha_channel);
    const auto test = static_cast<std::uint32_t>(alpha_test);
    if (record->blend_mode == blend_mode && record->alpha_channel == channel && record->alpha_test == test &&
        !record->force) {
        return 0;
    }
    FlushVertexBatch(device);
    record->blend_mode = blend_mode;
    record->alpha_channel = channel;
    record->alpha_test = test;
    record->dirty = 1;
    return 0;
}

namespace {

int SetInputFlag(int device, std::uint32_t D3DDeviceRecord::*field, int flag) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    const auto value = static_cast<std::uint32_t>(flag);
    if (record->*field == value && !record->force) return 0;
    FlushVertexBatch(device);
    record->*field = value;
    record->dirty = 1;
    return 0;
}

}  // namespace

int SetDeviceModulateColor(int device, int flag) { return SetInputFlag(device, &D3DDeviceRecord::modulate_colour, flag); }
int SetDeviceDiffuseAlpha(int device, int flag) { return SetInputFlag(device, &D3DDeviceRecord::diffuse_alpha, flag); }

int SetDeviceFilter(int device, int mode) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (record->filter_mode == static_cast<std::uint32_t>(mode) && !record->force) return 0;
    FlushVertexBatch(device);
    if (mode != 0 && mode != 1) return -1;
    const std::uint32_t index = mode == 0 ? 1 : 2;
    const std::uint32_t stages = record->cache.stage_count < kD3DStageCount ? record->cache.stage_count : kD3DStageCount;
    for (std::uint32_t k = 0; k < stages; ++k) {
        if (record->mag_filter[k] != index || record->force) {
            record->mag_filter[k] = index;
            record->device->SetTextureStageState(k, D3DTSS_MAGFILTER, kMagFilters[index]);
        }
        if (record->min_filter[k] != index || record->force) {
            record->min_filter[k] = index;
            record->device->SetTextureStageState(k, D3DTSS_MINFILTER, kMinFilters[index]);
        }
    }
    record->filter_mode = static_cast<std::uint32_t>(mode);
    return 0;
}

int SetDeviceRenderTarget(IDirectDrawSurface7* surface, int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (surface == record->render_target && !record->force) return 0;
    if (surface == nullptr) {
        if (record->render_target == nullptr) return 0;
        FlushVertexBatch(device);
        record->device->SetRenderTarget(record->own_render_target, 0);
        record->render_target = record->own_render_target;
        return 0;
    }
    FlushVertexBatch(device);
    record->device->SetRenderTarget(surface, 0);
    record->render_target = surface;
    return 0;
}

int SetDeviceViewport(const D3DVIEWPORT7* viewport, int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr || record->render_target == nullptr) return -1;
    const D3DVIEWPORT7& cached = record->viewport;
    if (viewport->dwX == cached.dwX && viewport->dwY == cached.dwY && viewport->dwWidth == cached.dwWidth &&
        viewport->dwHeight == cached.dwHeight && !record->force) {
        return 0;
    }
    FlushVertexBatch(device);
    EndDeviceScene(device);
    D3DVIEWPORT7 copy = *viewport;
    const HRESULT result = record->device->SetViewport(&copy);
    if (FAILED(result)) {
        return WriteLogFormat("ビューポートのセットに失敗しました ErrorCode %x\n", static_cast<unsigned>(result));
    }
    record->viewport = copy;
    return 0;
}

void ReapplyDeviceFixedStates(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return;
    FlushVertexBatch(device);
    IDirect3DDevice7* d = record->device;
    constexpr DWORD kCoordinateSets[4] = {0, 1, 1, 0};
    for (DWORD k = 0; k < 4; ++k) d->SetTextureStageState(k, D3DTSS_ADDRESS, record->texture_address);
    for (DWORD k = 0; k < 4; ++k) d->SetTextureStageState(k, D3DTSS_TEXCOORDINDEX, kCoordinateSets[k]);
    d->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, record->texture_perspective);
    d->SetRenderState(D3DRENDERSTATE_SHADEMODE, record->shade_mode);
    d->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, record->colour_key_enable);
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, record->lighting);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 0);
}

void WriteCachedStageValues(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr || record->device == nullptr) return;
    for (DWORD k = 0; k < kD3DStageCount; ++k) {
        const StageValues& v = record->cache.stages[k].values;
        record->device->SetTextureStageState(k, D3DTSS_ALPHAOP, v.alpha_op);
        record->device->SetTextureStageState(k, D3DTSS_ALPHAARG1, v.alpha_arg1);
        record->device->SetTextureStageState(k, D3DTSS_ALPHAARG2, v.alpha_arg2);
        record->device->SetTextureStageState(k, D3DTSS_COLOROP, v.color_op);
        record->device->SetTextureStageState(k, D3DTSS_COLORARG1, v.color_arg1);
        record->device->SetTextureStageState(k, D3DTSS_COLORARG2, v.color_arg2);
    }
}

int SetDeviceTransform(int device, int index, const float matrix[16]) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    constexpr D3DTRANSFORMSTATETYPE kWorlds[4] = {D3DTRANSFORMSTATE_WORLD, D3DTRANSFORMSTATE_WORLD1,
                                                  D3DTRANSFORMSTATE_WORLD2, D3DTRANSFORMSTATE_WORLD3};
    if (index < 0 || index > 3) return 0;
    D3DMATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = matrix[i];
    record->device->SetTransform(kWorlds[index], &m);
    return 0;
}

namespace {

int SetCurrentTransform(D3DTRANSFORMSTATETYPE type, const float matrix[16]) {
    D3DDeviceRecord* record = CurrentD3DDeviceRecord();
    if (record == nullptr) return -1;
    FlushVertexBatch(D3DState().current_device);
    D3DMATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = matrix[i];
    record->device->SetTransform(type, &m);
    return 0;
}

}  // namespace

int SetWorldMatrixD3D(const float matrix[16], int index) {
    if (CurrentD3DDeviceRecord() == nullptr) return -1;
    FlushVertexBatch(D3DState().current_device);
    return SetDeviceTransform(D3DState().current_device, index, matrix);
}
int SetViewMatrixD3D(const float matrix[16]) { return SetCurrentTransform(D3DTRANSFORMSTATE_VIEW, matrix); }
int SetProjectionMatrixD3D(const float matrix[16]) {
    return SetCurrentTransform(D3DTRANSFORMSTATE_PROJECTION, matrix);
}
