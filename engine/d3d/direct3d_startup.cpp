// Direct3D start-up and shutdown: the 3-D object from the DirectDraw object, the device
// choice (hardware T&L preferred, else the last hardware device), the 16-bit Z format,
// the device records (at most 4) with their caches and vertex buffers, the texture
// formats and size limits, and the way back down. Relies on the graphics core's screen.
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

// D3DTFG, D3DTFN and D3DTFP values by filter index.
constexpr DWORD kMagFilters[6] = {1, 1, 2, 5, 3, 4};
constexpr DWORD kMinFilters[6] = {1, 1, 2, 3, 3, 3};
constexpr DWORD kMipFilters[6] = {1, 2, 3, 3, 3, 3};

HRESULT EnumD3DDeviceCallback(char*, char*, D3DDEVICEDESC7* desc, void* found) {
    const bool tnl = desc->deviceGUID == IID_IDirect3DTnLHalDevice;
    if (!tnl && desc->deviceGUID != IID_IDirect3DHALDevice) return D3DENUMRET_OK;
    const int depth = GraphicsCore().GetScreenBitDepth();
    if (depth == 16) {
        if ((desc->dwDeviceRenderBitDepth & DDBD_16) == 0) return D3DENUMRET_OK;
    } else if (depth == 32) {
        if ((desc->dwDeviceRenderBitDepth & DDBD_32) == 0) return D3DENUMRET_OK;
    } else {
        return D3DENUMRET_OK;
    }
    *static_cast<int*>(found) = 1;
    D3DState().device_desc = *desc;
    if (tnl) {
        WriteLogText("ハードウエアＴ＆Ｌデバイスを発見しました\n");
        D3DState().tnl_device = 1;
        return D3DENUMRET_CANCEL;
    }
    WriteLogText("ＨＡＬデバイスを発見しました\n");
    return D3DENUMRET_OK;
}

HRESULT EnumZBufferFormatCallback(DDPIXELFORMAT* format, void* found) {
    if (format == nullptr) return D3DENUMRET_CANCEL;
    if ((format->dwFlags & (DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV)) != 0 || format->dwFourCC != 0 ||
        (format->dwFlags & DDPF_ALPHA) != 0 || format->dwFlags != DDPF_ZBUFFER || format->dwZBufferBitDepth != 16) {
        return D3DENUMRET_OK;
    }
    D3DState().z_buffer_format = *format;
    *static_cast<int*>(found) = 1;
    return D3DENUMRET_CANCEL;
}

void ReleaseObject() {
    D3DRendererState& state = D3DState();
    if (state.direct3d != nullptr) state.direct3d->Release();
    state.direct3d = nullptr;
}

// On devices with fewer than 4 blend stages a 256 x 256 texture in slot 8's format is
// made at start-up (nothing draws through it); it goes with the renderer.
void CreateFewStagesSurface() {
    D3DRendererState& state = D3DState();
    IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
    if (object == nullptr) return;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwWidth = 256;
    desc.dwHeight = 256;
    desc.ddpfPixelFormat = state.slots[8].pixel_format;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE;
    if (FAILED(object->CreateSurface(&desc, &state.few_stages_surface, nullptr))) state.few_stages_surface = nullptr;
}

void LogTextureFormats() {
    const D3DRendererState& state = D3DState();
    IncreaseLogIndent();
    WriteLogFormat("テクスチャ最大幅:%u 最小幅:%u ", state.max_texture_size, state.min_texture_size);
    const DWORD caps = state.device_desc.dpcTriCaps.dwTextureCaps;
    WriteLogFormat("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ",
                   (caps & D3DPTEXTURECAPS_POW2) != 0 ? 1 : 0, (caps & D3DPTEXTURECAPS_SQUAREONLY) != 0 ? 1 : 0);
    WriteLogFormat("最大テクスチャステージ数 = %d   最大テクスチャブレンド数 = %d ",
                   state.device_desc.wMaxTextureBlendStages, state.device_desc.wMaxSimultaneousTextures);
    if (state.device_desc.wMaxTextureBlendStages < 4) {
        WriteLogText("使用可能テクスチャステージが 4 以下なので DrawBlendGraph は正常に機能しない可能性があります\n");
    }
    WriteLogText("テクスチャピクセルフォーマット\n");
    WriteLogText("\t通常グラフィック用\n");
    for (int slot = 0; slot < 2; ++slot) {
        const ColorFormat& f = state.slots[slot].color_format;
        WriteLogFormat("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", f.bit_depth, f.red_width, f.green_width,
                       f.blue_width);
        WriteLogFormat("\t\t RED:%06x GREEN:%06x BLUE:%06x \n", f.red_mask, f.green_mask, f.blue_mask);
    }
    WriteLogText("\tアルファチャンネル付きグラフィック用\n");
    for (int slot = 2; slot < 4; ++slot) {
        const ColorFormat& f = state.slots[slot].color_format;
        WriteLogFormat("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", f.bit_depth, f.alpha_width, f.red_width,
                       f.green_width, f.blue_width);
        WriteLogFormat("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n", f.alpha_mask, f.red_mask, f.green_mask,
                       f.blue_mask);
    }
    DecreaseLogIndent();
}

// The answer while the renderer is switched off: the 3-D object is asked for and given
// back, and start-up refused.
// The texture address mode of the draw settings; an unset mode (0) is wrap (3).
int TextureAddressMode(const DrawSettingsBlock& settings) {
    const int mode = settings.texture_address_mode;
    return mode == 0 ? 3 : mode;
}

int RefuseStartUp() {
    IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
    if (object == nullptr) return -1;
    IUnknown* direct3d = nullptr;
    if (FAILED(object->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&direct3d)))) return -1;
    direct3d->Release();
    return -1;
}

}  // namespace

int InitializeDirect3D(const DrawSettingsBlock& settings) {
    if (!IsDirect3DRendererEnabled()) return RefuseStartUp();
    D3DRendererState& state = D3DState();
    if (state.direct3d != nullptr) return -1;
    WriteLogText("Direct3D 関連の初期化を行います\n");
    std::memset(&state, 0, sizeof(state));
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
    IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
    if (object == nullptr ||
        FAILED(object->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&state.direct3d)))) {
        state.direct3d = nullptr;
        return WriteLogText("Direct3Dオブジェクトの作成に失敗しました\n");
    }
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n");

    state.tnl_device = 0;
    int found = 0;
    if (FAILED(state.direct3d->EnumDevices(EnumD3DDeviceCallback, &found)) || !found) {
        WriteLogText("現在の画面モードで使用できる描画デバイスが見つかりませんでした\n");
        ReleaseObject();
        return -1;
    }
    state.z_buffer_format.dwSize = 0;
    int z_found = 0;
    if (FAILED(state.direct3d->EnumZBufferFormats(IID_IDirect3DHALDevice, EnumZBufferFormatCallback, &z_found)) ||
        !z_found) {
        WriteLogText("使用可能なＺバッファが見つかりませんでした\n");
    }

    IDirectDrawSurface7* front = GraphicsCore().GetFrontSurface();
    const int device = Create3DDevice(front, settings);
    if (device == -1) {
        ReleaseObject();
        return -1;
    }
    state.current_device = device;
    SetDeviceRenderTarget(front, device);
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);

    const int address_mode = TextureAddressMode(settings);
    HRESULT address = D3D_OK;
    for (int stage = 3; stage >= 0; --stage) {
        address = record->device->SetTextureStageState(static_cast<DWORD>(stage), D3DTSS_ADDRESS,
                                                       static_cast<DWORD>(address_mode));
    }
    if (FAILED(address)) {
        DeleteAllD3DDevices();
        ReleaseObject();
        return -1;
    }

    std::memset(state.slots, 0, sizeof(state.slots));
    int formats_found = 0;
    if (FAILED(record->device->EnumTextureFormats(EnumTextureFormatCallback, &formats_found)) || !formats_found) {
        WriteLogText("使用可能なテクスチャフォーマットが見つかりませんでした\n");
        DeleteAllD3DDevices();
        ReleaseObject();
        return -1;
    }
    FillEmptyTextureFormatSlots();
    state.end_scene_each_draw = 1;

    const D3DDEVICEDESC7& desc = state.device_desc;
    state.min_texture_size = desc.dwMinTextureWidth < desc.dwMinTextureHeight ? desc.dwMinTextureWidth
                                                                               : desc.dwMinTextureHeight;
    state.max_texture_size = desc.dwMaxTextureWidth < desc.dwMaxTextureHeight ? desc.dwMaxTextureWidth
                                                                               : desc.dwMaxTextureHeight;
    if (state.max_texture_size == 0) state.max_texture_size = 256;
    if (state.min_texture_size == 0) state.min_texture_size = 32;
    state.capture_method[0] = -1;
    state.capture_method[1] = -1;
    state.device_unavailable = 0;
    if (desc.wMaxTextureBlendStages < 4) CreateFewStagesSurface();
    LogTextureFormats();
    WriteLogText("Direct3D 関連の初期化は正常に終了しました\n");
    state.initialised = 1;
    return 0;
}

int Create3DDevice(IDirectDrawSurface7* surface, const DrawSettingsBlock& settings) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    D3DDeviceRecord* records = D3DDeviceRecords();
    int device = 0;
    while (device < kD3DDeviceRecords && records[device].in_use) ++device;
    if (device == kD3DDeviceRecords) return -1;
    D3DDeviceRecord* record = &records[device];
    std::memset(record, 0, sizeof(*record));
    WriteLogText("３Ｄデバイスを作成します... ");
    if (FAILED(state.direct3d->CreateDevice(state.device_desc.deviceGUID, surface, &record->device))) {
        record->device = nullptr;
        return WriteLogText("３Ｄデバイスの作成に失敗しました\n");
    }
    for (D3DVertexColour& v : record->colour_vertices) v.rhw = 1.0f;
    for (D3DVertexTextured& v : record->textured_vertices) v.rhw = 1.0f;
    for (D3DVertexBlend& v : record->blend_vertices) {
        v.rhw = 1.0f;
        v.specular = 0xFFFFFFFFu;
    }
    record->buffers[0] = record->colour_vertices;
    record->buffers[1] = record->textured_vertices;
    record->buffers[2] = record->blend_vertices;

    const auto address = static_cast<std::uint32_t>(TextureAddressMode(settings));
    const std::uint32_t index = record->filter_mode == 0 ? 1 : 2;
    for (DWORD k = 0; k < kD3DStageCount; ++k) {
        record->device->SetTextureStageState(k, D3DTSS_ADDRESS, address);
        record->mag_filter[k] = record->min_filter[k] = record->mip_filter[k] = index;
        record->device->SetTextureStageState(k, D3DTSS_MAGFILTER, kMagFilters[index]);
        record->device->SetTextureStageState(k, D3DTSS_MINFILTER, kMinFilters[index]);
        record->device->SetTextureStageState(k, D3DTSS_MIPFILTER, kMipFilters[index]);
    }
    record->device->SetRenderState(D3DRENDERSTATE_COLORKEYBLENDENABLE, 0);
    record->device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    record->device->SetRenderState(D3DRENDERSTATE_LIGHTING, 0);
    record->device->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, 0);
    record->device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    record->device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 0);
    record->device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 0);

    for (StageCacheEntry& stage : record->cache.stages) {
        stage.values = StageValues{2, 0, 1, 2, 0, 1};
    }
    record->in_use = 1;
    WriteCachedStageValues(device);
    record->own_render_target = surface;
    record->blend_border_position = -1;
    record->dirty = 1;
    record->z_enable = 1;
    record->z_write = 0;
    record->z_func = 4;
    record->z_bias = 0;
    record->shade_mode = D3DSHADE_FLAT;
    record->cull_mode = 0;
    record->texture_address = address;
    record->vertex_type = 1;
    record->primitive_type = D3DPT_TRIANGLELIST;
    record->write_pointer = reinterpret_cast<std::uint8_t*>(record->textured_vertices);
    ReapplyDeviceStates(device);
    WriteLogText("３Ｄデバイスの作成に成功しました\n");
    return device;
}

void ReapplyDeviceStates(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return;
    record->force = 1;
    const D3DVIEWPORT7 viewport = record->viewport;
    SetDeviceViewport(&viewport, device);
    SetDeviceColorKeyEnable(device, static_cast<int>(record->colour_key_enable));
    SetDeviceColorKeyEnable(device, 0);
    ReapplyDeviceFixedStates(device);
    SetDeviceFilter(device, static_cast<int>(record->filter_mode));
    ApplyDeviceRenderState(device);
    SetDeviceZEnable(device, static_cast<int>(record->z_enable));
    SetDeviceZWrite(device, static_cast<int>(record->z_write));
    SetDeviceZFunc(device, static_cast<int>(record->z_func));
    SetDeviceZBias(device, static_cast<int>(record->z_bias));
    SetDeviceCullMode(device, static_cast<int>(record->cull_mode));
    SetDeviceTexturePerspective(device, static_cast<int>(record->texture_perspective));
    SetDeviceShadeMode(device, static_cast<int>(record->shade_mode));
    record->force = 0;
}

int DeleteAllD3DDevices() {
    if (D3DState().direct3d == nullptr) return 0;
    D3DDeviceRecord* records = D3DDeviceRecords();
    for (int device = 0; device < kD3DDeviceRecords; ++device) {
        D3DDeviceRecord& record = records[device];
        if (!record.in_use) continue;
        if (record.device != nullptr) record.device->Release();
        std::memset(&record, 0, sizeof(record));
        WriteLogText("３Ｄデバイスの削除は正常に終了しました\n");
    }
    return 0;
}

namespace {

// Shutdown while the object is given up after a display loss: the pieces and records that
// start-up would otherwise zero over (and lose) are let go; the answer stays -1.
void DropReleasedRenderer() {
    D3DRendererState& state = D3DState();
    for (int slot = 0; slot < state.piece_end_mark; ++slot) {
        Surface3DData* piece = state.pieces[slot];
        if (piece == nullptr) continue;
        if (GraphicsCore().ReleaseSurfaceDataRef(piece->surface_data) == 0) GraphicsCore().DeleteSurfaceData(piece->surface_data);
        if (piece->owner_flag != nullptr) *piece->owner_flag = 1;
        TrackedFree(piece);
        state.pieces[slot] = nullptr;
    }
    state.piece_count = 0;
    state.piece_end_mark = 0;
    D3DDeviceRecord* records = D3DDeviceRecords();
    for (int device = 0; device < kD3DDeviceRecords; ++device) {
        if (records[device].device != nullptr) records[device].device->Release();
        std::memset(&records[device], 0, sizeof(records[device]));
    }
    if (state.few_stages_surface != nullptr) {
        state.few_stages_surface->Release();
        state.few_stages_surface = nullptr;
    }
    state.initialised = 0;
}

}  // namespace

int TerminateDirect3D() {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) {
        if (state.initialised) DropReleasedRenderer();
        return -1;
    }
    WriteLogText("Direct3D 関連の終了処理を行います\n");
    EndDeviceScene(state.current_device);
    state.end_scene_each_draw = 0;
    D3DDeviceRecord* record = CurrentD3DDeviceRecord();
    if (record != nullptr && (record->texture != nullptr || record->force)) {
        FlushVertexBatch(state.current_device);
        record->texture_changed = 1;
        if (record->texture != nullptr) record->dirty = 1;
        record->texture = nullptr;
    }
    for (int slot = 0; slot < state.piece_end_mark; ++slot) {
        const Surface3DData* piece = state.pieces[slot];
        if (piece != nullptr) DeleteSurface3DData(MakeHandleValue(kHandleKindTexturePiece, piece->check, slot));
    }
    DeleteAllD3DDevices();
    if (state.few_stages_surface != nullptr) {
        state.few_stages_surface->Release();
        state.few_stages_surface = nullptr;
    }
    ReleaseObject();
    WriteLogText("Direct3D 関連の終了処理は正常に終了しました\n");
    state.initialised = 0;
    return 0;
}

const DDPIXELFORMAT* GetZBufferPixelFormat() { return &D3DState().z_buffer_format; }
