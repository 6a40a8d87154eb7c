// The blend set-up of a device record: from the engine-level inputs (blend mode, graph
// texture, blend texture and border, alpha kind of the texture, colour flags) it derives
// blending, alpha test, texture factor and the texture stages through BlendModeD3DTable
// and StageSetupTable, and issues only what differs from the cache. A blend mode outside
// the table draws nothing.
#include "engine/d3d/d3d_state.h"

namespace {

constexpr DWORD kLeave = 0;
constexpr int kBlendModeCount = 12;

struct BlendModeRow {
    DWORD dest_blend;
    DWORD src_blend;
    int stage_kind;
};

constexpr BlendModeRow kBlendModeD3DTable[kBlendModeCount] = {
    {kLeave, kLeave, 0},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 0},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0},
    {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR, 0},
    {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO, 0},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0},
    {kLeave, kLeave, 0},
    {kLeave, kLeave, 0},
    {D3DBLEND_ONE, D3DBLEND_ZERO, 0},
    {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR, 0},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 2},
    {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO, 1},
};

constexpr std::uint16_t L = kStageLeave;
constexpr auto U16(DWORD v) { return static_cast<std::uint16_t>(v); }

constexpr StageValues kLeaveAll = {L, L, L, L, L, L};
constexpr StageValues kDisable = {L, L, U16(D3DTOP_DISABLE), L, L, U16(D3DTOP_DISABLE)};

constexpr StageValues Stage(DWORD alpha_op, DWORD alpha_arg1, DWORD alpha_arg2, DWORD color_op, DWORD color_arg1,
                            DWORD color_arg2) {
    return StageValues{U16(alpha_arg1), U16(alpha_arg2), U16(alpha_op),
                       U16(color_arg1), U16(color_arg2), U16(color_op)};
}

// Rows 0-71 of StageSetupTable: kind 0 textured (0-11), blend texture (12-23), kind 1
// textured (24-35), 12 empty rows, kind 2 textured (48-59), then the blend-texture rows
// with the complemented graph texture, which nothing selects.
constexpr int kStageSetupRows = 72;

constexpr StageSetup TexturedRow(int alpha_kind, int diffuse_alpha, int modulate, int stage_kind) {
    StageSetup row{};
    for (auto& stage : row.stages) stage.values = kLeaveAll;
    const DWORD t = stage_kind == 2 ? (D3DTA_TEXTURE | D3DTA_COMPLEMENT) : D3DTA_TEXTURE;
    StageValues& s0 = row.stages[0].values;
    if (modulate) {
        s0.color_op = U16(D3DTOP_MODULATE);
        s0.color_arg1 = U16(t);
        s0.color_arg2 = U16(D3DTA_DIFFUSE);
    } else {
        s0.color_op = U16(D3DTOP_SELECTARG1);
        s0.color_arg1 = U16(t);
    }
    if (alpha_kind == 0) {
        s0.alpha_op = U16(D3DTOP_SELECTARG2);
        s0.alpha_arg2 = U16(D3DTA_DIFFUSE);
    } else if (diffuse_alpha) {
        s0.alpha_op = U16(D3DTOP_MODULATE);
        s0.alpha_arg1 = U16(D3DTA_TEXTURE);
        s0.alpha_arg2 = U16(D3DTA_DIFFUSE);
    } else {
        s0.alpha_op = U16(D3DTOP_SELECTARG1);
        s0.alpha_arg1 = U16(D3DTA_TEXTURE);
    }
    int n = 1;
    if (stage_kind == 1) {
        row.stages[1].values = Stage(D3DTOP_SELECTARG1, D3DTA_CURRENT, L, D3DTOP_BLENDCURRENTALPHA, D3DTA_CURRENT,
                                     D3DTA_TFACTOR);
        n = 2;
    }
    row.stages[n].values = kDisable;
    row.stage_count = static_cast<std::uint32_t>(n);
    row.stages[0].words[0] = row.stage_count;
    return row;
}

constexpr StageSetup BlendTextureRow(int alpha_kind, int diffuse_alpha, int modulate, bool complement) {
    StageSetup row{};
    for (auto& stage : row.stages) stage.values = kLeaveAll;
    const DWORD t = complement ? (D3DTA_TEXTURE | D3DTA_COMPLEMENT) : D3DTA_TEXTURE;
    row.stages[0].values = Stage(D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE);
    // The graph texture's stage: colour from the texture, alpha as the row says.
    auto graph = [&](DWORD alpha_arg1, DWORD alpha_arg2) {
        return modulate ? Stage(D3DTOP_MODULATE, alpha_arg1, alpha_arg2, D3DTOP_MODULATE, t, D3DTA_DIFFUSE)
                        : Stage(D3DTOP_MODULATE, alpha_arg1, alpha_arg2, D3DTOP_SELECTARG1, t, L);
    };
    const StageValues current_times_diffuse =
        Stage(D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_CURRENT, L);
    int n = 0;
    if (alpha_kind == 0) {
        row.stages[1].values = diffuse_alpha ? graph(D3DTA_DIFFUSE, D3DTA_CURRENT) : graph(D3DTA_CURRENT, D3DTA_DIFFUSE);
        n = 2;
    } else if (alpha_kind == 1) {
        row.stages[1].values = Stage(D3DTOP_MODULATE, D3DTA_SPECULAR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_CURRENT, L);
        row.stages[2].values = graph(D3DTA_TEXTURE, D3DTA_CURRENT);
        n = 3;
        if (diffuse_alpha) {
            row.stages[3].values = current_times_diffuse;
            n = 4;
        }
    } else {
        row.stages[1].values = graph(D3DTA_TEXTURE, D3DTA_CURRENT);
        n = 2;
        if (diffuse_alpha) {
            row.stages[2].values = current_times_diffuse;
            n = 3;
        }
    }
    row.stages[n].values = kDisable;
    row.stage_count = static_cast<std::uint32_t>(n);
    row.stages[0].words[0] = row.stage_count;
    return row;
}

struct StageSetupTable {
    StageSetup rows[kStageSetupRows];
};

constexpr StageSetupTable BuildStageSetupTable() {
    StageSetupTable table{};
    for (int index = 0; index < 12; ++index) {
        const int alpha_kind = index % 3;
        const int diffuse_alpha = (index / 3) % 2;
        const int modulate = index / 6;
        table.rows[index] = TexturedRow(alpha_kind, diffuse_alpha, modulate, 0);
        table.rows[12 + index] = BlendTextureRow(alpha_kind, diffuse_alpha, modulate, false);
        table.rows[24 + index] = TexturedRow(alpha_kind, diffuse_alpha, modulate, 1);
        table.rows[48 + index] = TexturedRow(alpha_kind, diffuse_alpha, modulate, 2);
        table.rows[60 + index] = BlendTextureRow(alpha_kind, diffuse_alpha, modulate, true);
    }
    for (int index = 36; index < 48; ++index) table.rows[index].stages[0].values = kDisable;
    return table;
}

constexpr StageSetupTable kStageSetupTable = BuildStageSetupTable();

StageSetup UntexturedSetup(int stage_kind, int blend_mode) {
    StageSetup setup{};
    for (auto& stage : setup.stages) stage.values = kLeaveAll;
    if (stage_kind == 0) {
        setup.stages[0].values = blend_mode == 3
                                     ? Stage(D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, L)
                                     : Stage(D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE);
    } else if (stage_kind == 1) {
        setup.stages[0].values =
            Stage(D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE, D3DTOP_BLENDDIFFUSEALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR);
    } else {
        setup.stages[0].values =
            Stage(D3DTOP_SELECTARG2, L, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, L);
    }
    setup.stages[1].values = kDisable;
    setup.stage_count = 1;
    setup.stages[0].words[0] = 1;
    return setup;
}

bool BlendModeInTable(int blend_mode) { return blend_mode >= 0 && blend_mode < kBlendModeCount; }

int AlphaKind(const D3DDeviceRecord& record) {
    if (record.alpha_channel) return 1;
    return record.alpha_test ? 2 : 0;
}

void IssueState(D3DDeviceRecord* record, std::uint32_t RenderStateCache::*field, D3DRENDERSTATETYPE state,
                std::uint32_t value) {
    if (record->cache.*field == value && !record->force) return;
    record->cache.*field = value;
    record->device->SetRenderState(state, value);
}

void IssueStageValue(D3DDeviceRecord* record, DWORD stage, std::uint16_t StageValues::*field,
                     D3DTEXTURESTAGESTATETYPE state, std::uint16_t value) {
    if (value == kStageLeave) return;
    std::uint16_t& cached = record->cache.stages[stage].values.*field;
    if (cached == value && !record->force) return;
    cached = value;
    record->device->SetTextureStageState(stage, state, value);
}

}  // namespace

const StageSetup* SelectStageSetup(int blend_mode, int alpha_kind, int diffuse_alpha, int modulate_colour,
                                   int with_blend_texture) {
    if (!BlendModeInTable(blend_mode) || alpha_kind < 0 || alpha_kind > 2) return nullptr;
    const int index = alpha_kind + 3 * (diffuse_alpha ? 1 : 0) + 6 * (modulate_colour ? 1 : 0);
    if (with_blend_texture) return &kStageSetupTable.rows[12 + index];
    return &kStageSetupTable.rows[index + 24 * kBlendModeD3DTable[blend_mode].stage_kind];
}

int ApplyDeviceRenderState(int device) {
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (!record->force) {
        if (!record->dirty && !record->texture_changed) return -1;
        if (!record->dirty) {
            const DWORD stage = record->blend_texture == nullptr ? 0 : record->alpha_channel == 1 ? 2 : 1;
            record->device->SetTexture(stage, record->texture);
            record->cache.stages[stage].texture = record->texture;
            record->texture_changed = 0;
            return 0;
        }
    }
    record->dirty = 0;
    record->texture_changed = 0;
    if (!BlendModeInTable(record->blend_mode)) {
        // No row for the mode: whatever is drawn under it is dropped.
        record->skip_draw = 1;
        return 0;
    }
    const BlendModeRow& mode = kBlendModeD3DTable[record->blend_mode];
    const bool blending = record->blend_mode != kBlendNone && record->blend_mode != kBlendNoneD3D;
    RenderStateCache wanted = record->cache;
    wanted.texture_factor = 0xFFFFFFFFu;
    wanted.diffuse_material_source = D3DMCS_COLOR1;
    wanted.specular_material_source = D3DMCS_COLOR2;
    wanted.specular_enable = 0;
    DWORD src_blend = mode.src_blend;
    DWORD dest_blend = mode.dest_blend;
    IDirectDrawSurface7* stage_textures[kD3DStageCount] = {};
    StageSetup setup;
    std::uint32_t vertex_type;
    if (record->texture == nullptr) {
        record->skip_draw = 0;
        vertex_type = 0;
        setup = UntexturedSetup(mode.stage_kind, record->blend_mode);
        wanted.alpha_test_enable = 0;
        wanted.texture_factor = record->cache.texture_factor;
        wanted.alpha_blend_enable = blending ? 1 : 0;
    } else if (record->blend_texture == nullptr) {
        record->skip_draw = 0;
        vertex_type = 1;
        setup = *SelectStageSetup(record->blend_mode, AlphaKind(*record), record->diffuse_alpha,
                                  record->modulate_colour, 0);
        stage_textures[0] = record->texture;
        if (record->alpha_test) {
            wanted.alpha_test_enable = 1;
            wanted.alpha_ref = 16;
            wanted.alpha_func = D3DCMP_GREATER;
        } else if (record->z_enable == 0) {
            wanted.alpha_test_enable = 0;
        } else {
            wanted.alpha_test_enable = 1;
            wanted.alpha_ref = 0;
            wanted.alpha_func = D3DCMP_GREATER;
        }
        if (!record->alpha_test && record->alpha_channel == 1 && !blending) {
            src_blend = D3DBLEND_SRCALPHA;
            dest_blend = D3DBLEND_INVSRCALPHA;
        }
        wanted.alpha_blend_enable = record->alpha_channel || blending ? 1 : 0;
    } else {
        vertex_type = 2;
        setup = *SelectStageSetup(record->blend_mode, AlphaKind(*record), record->diffuse_alpha,
                                  record->modulate_colour, 1);
        if (!blending) {
            src_blend = D3DBLEND_SRCALPHA;
            dest_blend = D3DBLEND_INVSRCALPHA;
        }
        const int p = record->blend_border_position;
        const int w = record->blend_border_width;
        record->skip_draw = p == 255 ? 1 : 0;
        stage_textures[0] = record->blend_texture;
        stage_textures[record->alpha_channel == 1 ? 2 : 1] = record->texture;
        if (w <= 1) {
            wanted.alpha_test_enable = 1;
            wanted.alpha_ref = static_cast<std::uint32_t>(p == 0 && (record->alpha_channel || record->alpha_test) ? 1 : p);
            wanted.alpha_func = D3DCMP_GREATEREQUAL;
            wanted.alpha_blend_enable = 0;
            wanted.texture_factor = 0x00FFFFFFu;
        } else {
            wanted.alpha_test_enable = 0;
            wanted.alpha_blend_enable = 1;
            int r = 512, t = 256, k = 255;
            DWORD op = D3DTOP_MODULATE;
            if (w <= 64) {
                r = 1280, t = 1024, k = 64, op = D3DTOP_MODULATE4X;
            } else if (w <= 128) {
                r = 768, t = 512, k = 128, op = D3DTOP_MODULATE2X;
            }
            const int e = r - p * r / 255;
            int factor_alpha;
            if (e < t) {
                factor_alpha = 255 - e * 255 / t;
                setup.stages[0].values.alpha_op = U16(D3DTOP_SUBTRACT);
            } else {
                factor_alpha = (e - t) * k / 256;
                setup.stages[0].values.alpha_op = U16(D3DTOP_ADD);
            }
            wanted.texture_factor = static_cast<std::uint32_t>(factor_alpha & 0xFF) << 24 | 0x00FFFFFFu;
            setup.stages[1].values.alpha_op = U16(op);
        }
    }

    if (setup.stage_count != record->cache.stage_count) {
        record->cache.stage_count = setup.stage_count;
        const std::uint32_t force = record->force;
        record->force = 1;
        SetDeviceFilter(device, static_cast<int>(record->filter_mode));
        record->force = force;
    }

    IssueState(record, &RenderStateCache::diffuse_material_source, D3DRENDERSTATE_DIFFUSEMATERIALSOURCE,
               wanted.diffuse_material_source);
    IssueState(record, &RenderStateCache::specular_material_source, D3DRENDERSTATE_SPECULARMATERIALSOURCE,
               wanted.specular_material_source);
    IssueState(record, &RenderStateCache::specular_enable, D3DRENDERSTATE_SPECULARENABLE, wanted.specular_enable);
    IssueState(record, &RenderStateCache::alpha_func, D3DRENDERSTATE_ALPHAFUNC, wanted.alpha_func);
    IssueState(record, &RenderStateCache::alpha_ref, D3DRENDERSTATE_ALPHAREF, wanted.alpha_ref);
    IssueState(record, &RenderStateCache::alpha_test_enable, D3DRENDERSTATE_ALPHATESTENABLE, wanted.alpha_test_enable);
    IssueState(record, &RenderStateCache::alpha_blend_enable, D3DRENDERSTATE_ALPHABLENDENABLE,
               wanted.alpha_blend_enable);
    IssueState(record, &RenderStateCache::texture_factor, D3DRENDERSTATE_TEXTUREFACTOR, wanted.texture_factor);
    if (src_blend != kLeave || record->force) {
        IssueState(record, &RenderStateCache::src_blend, D3DRENDERSTATE_SRCBLEND,
                   src_blend != kLeave ? src_blend : record->cache.src_blend);
    }
    if (dest_blend != kLeave || record->force) {
        IssueState(record, &RenderStateCache::dest_blend, D3DRENDERSTATE_DESTBLEND,
                   dest_blend != kLeave ? dest_blend : record->cache.dest_blend);
    }

    const std::uint32_t last = setup.stage_count < kD3DStageCount - 1 ? setup.stage_count : kD3DStageCount - 1;
    for (DWORD k = 0; k <= last; ++k) {
        if (k >= 2 && setup.stages[k - 1].values.alpha_op == D3DTOP_DISABLE) break;
        StageCacheEntry& cached = record->cache.stages[k];
        if (cached.texture != stage_textures[k] || record->force) {
            cached.texture = stage_textures[k];
            record->device->SetTexture(k, stage_textures[k]);
        }
        const StageValues& v = setup.stages[k].values;
        IssueStageValue(record, k, &StageValues::alpha_op, D3DTSS_ALPHAOP, v.alpha_op);
        IssueStageValue(record, k, &StageValues::alpha_arg1, D3DTSS_ALPHAARG1, v.alpha_arg1);
        IssueStageValue(record, k, &StageValues::alpha_arg2, D3DTSS_ALPHAARG2, v.alpha_arg2);
        IssueStageValue(record, k, &StageValues::color_op, D3DTSS_COLOROP, v.color_op);
        IssueStageValue(record, k, &StageValues::color_arg1, D3DTSS_COLORARG1, v.color_arg1);
        IssueStageValue(record, k, &StageValues::color_arg2, D3DTSS_COLORARG2, v.color_arg2);
    }

    if (vertex_type != record->vertex_type) {
        record->vertex_type = vertex_type;
        record->write_pointer = static_cast<std::uint8_t*>(record->buffers[vertex_type]);
    }
    return 0;
}

int IsBlendModeDrawable(int blend_mode) { return BlendModeInTable(blend_mode) ? 1 : 0; }
