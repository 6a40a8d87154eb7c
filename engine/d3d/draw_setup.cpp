// The per-draw set-up: the draw settings and the kind of texture being drawn turned into
// the current device's cached states (colour key, alpha channel or test, colour flags,
// shading, filter, Z and fog), and the packed vertex diffuse colour the draws write.
// Relies on the graphics core's draw settings and SurfaceData records.
#include "engine/d3d/d3d_state.h"

IDirectDrawSurface7* GetPieceTexture(const Surface3DData* piece) {
    if (piece == nullptr) return nullptr;
    const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
    return data != nullptr ? data->surface : nullptr;
}

void PrepareDrawStates(const DrawSettingsBlock& draw_state, const Surface3DData* piece, std::uint32_t wishes) {
    const int device = D3DState().current_device;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return;
    const DrawSettingsBlock* settings = &draw_state;

    if ((wishes & kWishLighting) != 0) {
        if (record->lighting == 0) SetDeviceLighting(device, 1);
    } else if (record->lighting == 1) {
        SetDeviceLighting(device, 0);
    }

    if ((wishes & kWishKeepTextureState) == 0) {
        IDirectDrawSurface7* texture = GetPieceTexture(piece);
        int colour_key = 0;
        int alpha_channel = 0;
        int alpha_test = 0;
        const SurfaceData* data = piece != nullptr ? GraphicsCore().GetSurfaceData(piece->surface_data) : nullptr;
        if ((wishes & kWishTransparent) != 0 && data != nullptr) {
            if (!data->creation.alpha_channel && !data->creation.alpha_test) {
                colour_key = 1;
            } else if ((settings->blend_mode == kBlendNone || settings->blend_mode == kBlendKeepTargetD3D) &&
                       ((wishes & kWishExact) != 0 || settings->filter_mode != 1)) {
                alpha_channel = data->creation.alpha_channel;
                alpha_test = data->creation.alpha_test;
            } else {
                alpha_channel = 1;
            }
        }
        const bool white = settings->bright[0] == 255 && settings->bright[1] == 255 && settings->bright[2] == 255;
        const int modulate = (wishes & kWishModulateColour) != 0 || !white ? 1 : 0;
        const int diffuse_alpha = (wishes & kWishDiffuseAlpha) != 0 || settings->blend_mode != 0 ? 1 : 0;
        SetDeviceTexturePerspective(device, (wishes & kWishPerspective) != 0 ? 1 : 0);
        SetDeviceModulateColor(device, modulate);
        SetDeviceDiffuseAlpha(device, diffuse_alpha);
        SetDeviceTexture(device, texture);
        SetDeviceBlendMode(device, settings->blend_mode, alpha_channel, alpha_test);
        if (record->dirty || record->texture_changed) ApplyDeviceRenderState(device);
        SetDeviceColorKeyEnable(device, colour_key);
    }

    SetDeviceShadeMode(device, (wishes & kWishSmooth) != 0 ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    SetDeviceFilter(device, settings->filter_mode);
    // Nothing in the engine sets a cull mode, a Z bias or fog; they stay 0.
    constexpr int kCullMode = 0;
    constexpr int kZBias = 0;
    constexpr int kFog = 0;
    SetDeviceCullMode(device, kCullMode);
    if ((wishes & kWishDepth) != 0) {
        SetDeviceZEnable(device, settings->depth_test);
        SetDeviceZWrite(device, settings->depth_write);
        SetDeviceZFunc(device, settings->depth_compare);
        SetDeviceZBias(device, kZBias);
    } else if (record->z_enable != 0) {
        FlushVertexBatch(device);
        record->device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
        record->z_enable = 0;
    }
    if ((wishes & kWishFog) != 0) {
        SetDeviceFogEnable(device, kFog);
    } else if (record->fog_enable != 0) {
        SetDeviceFogEnable(device, 0);
    }
    record->last_piece = piece;
    record->last_wishes = wishes;
}

void UpdateVertexDiffuseColor(const DrawSettingsBlock& draw_state) {
    const DrawSettingsBlock* settings = &draw_state;
    const bool value_as_alpha = settings->blend_mode != 0 || settings->new_graph.blend_value_as_alpha != 0;
    const std::uint32_t alpha = value_as_alpha ? static_cast<std::uint32_t>(settings->blend_value) & 0xFF : 255;
    D3DState().vertex_diffuse = alpha << 24 | static_cast<std::uint32_t>(settings->bright[2]) << 16 |
                                static_cast<std::uint32_t>(settings->bright[1]) << 8 | settings->bright[0];
}
