// The 3-D device over GL: states are stored as given and turned into GL state and a
// stage program at each draw. Draws take pre-transformed vertices only; the vertex and
// index counts are checked against the primitive before anything is drawn. Blend factors
// apply to colour and alpha alike; the viewport is a scissor; depth uses the target's
// attached 16-bit depth surface.
#include "platform/opengl/d3d_device.h"

#include "platform/opengl/device_call_log.h"
#include "platform/opengl/offered_device.h"

#include <cstring>
#include <new>

namespace gl_backend {
namespace {

using platform_hooks::GlDeviceCallKind;

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case 11: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum DepthFunction(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLint Address(DWORD mode) {
    switch (mode) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case 4: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
    }
}

// The GL primitive and whether `count` vertices (or indices) make whole primitives.
bool PrimitiveFor(D3DPRIMITIVETYPE type, DWORD count, GLenum* mode) {
    if (count == 0 || count > kD3DMaxVertices) return false;
    switch (type) {
        case D3DPT_POINTLIST: *mode = GL_POINTS; return true;
        case D3DPT_LINELIST: *mode = GL_LINES; return count % 2 == 0;
        case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; return count >= 2;
        case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; return count % 3 == 0;
        case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; return count >= 3;
        case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; return count >= 3;
        default: return false;
    }
}

// The bytes of one vertex, or 0 for a layout the device does not draw.
int VertexStride(DWORD fvf) {
    const DWORD known = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
    if ((fvf & ~known) != 0 || (fvf & D3DFVF_XYZRHW) == 0) return 0;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 2) return 0;
    return 16 + ((fvf & D3DFVF_DIFFUSE) ? 4 : 0) + ((fvf & D3DFVF_SPECULAR) ? 4 : 0) + static_cast<int>(sets) * 8;
}

void Unit(DWORD argb, float out[4]) {
    out[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(argb & 0xFF) / 255.0f;
    out[3] = static_cast<float>(argb >> 24) / 255.0f;
}

}  // namespace

D3DDEVICEDESC7 DeviceDescription() {
    D3DDEVICEDESC7 desc{};
    desc.dpcLineCaps.dwSize = sizeof(D3DPRIMCAPS);
    desc.dpcTriCaps.dwSize = sizeof(D3DPRIMCAPS);
    desc.dpcTriCaps.dwTextureCaps = 0;  // any size, not only squares
    desc.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
    desc.dwDeviceZBufferBitDepth = DDBD_16;
    desc.dwMinTextureWidth = 1;
    desc.dwMinTextureHeight = 1;
    desc.dwMaxTextureWidth = 2048;
    desc.dwMaxTextureHeight = 2048;
    desc.wMaxTextureBlendStages = kD3DMaxStages;
    desc.wMaxSimultaneousTextures = kD3DMaxStages;
    desc.deviceGUID = IID_IDirect3DTnLHalDevice;
    return desc;
}

Direct3DDevice::Direct3DDevice(GlSurface* target) : target_(target) {
    target_->AddRef();
    viewport_ = D3DVIEWPORT7{0, 0, static_cast<DWORD>(target->width()), static_cast<DWORD>(target->height()), 0.0f,
                             1.0f};
    render_states_[D3DRENDERSTATE_ZENABLE] = target->depth() != nullptr ? D3DZB_TRUE : D3DZB_FALSE;
    render_states_[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    render_states_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    render_states_[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    render_states_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    render_states_[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    render_states_[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    render_states_[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    render_states_[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFFu;
    render_states_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    render_states_[D3DRENDERSTATE_LIGHTING] = TRUE;
    render_states_[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    render_states_[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    for (DWORD k = 0; k < kD3DMaxStages; ++k) {
        DWORD* s = stage_states_[k];
        s[D3DTSS_COLOROP] = k == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = k == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = k;
        s[D3DTSS_ADDRESS] = s[D3DTSS_ADDRESSU] = s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DTSS_MAGFILTER] = D3DTFG_POINT;
        s[D3DTSS_MINFILTER] = D3DTFN_POINT;
        s[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    }
    for (D3DMATRIX& m : transforms_) {
        for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    }
}

Direct3DDevice::~Direct3DDevice() {
    DeleteObjects();
    for (GlSurface*& texture : textures_) {
        if (texture != nullptr) texture->Release();
        texture = nullptr;
    }
    target_->Release();
    if (holds_context_) ReleaseContext();
}

HRESULT Direct3DDevice::Create(GlSurface* target, IDirect3DDevice7** device) {
    *device = nullptr;
    auto* created = new (std::nothrow) Direct3DDevice(target);
    if (created == nullptr) return DDERR_OUTOFMEMORY;
    if (!AcquireContext()) {
        created->Release();
        return DDERR_SURFACELOST;
    }
    created->holds_context_ = true;
    // The first state set's program is built now: a device that cannot draw is refused.
    if (!created->EnsureObjects() || created->programs_.Get(created->BuildKey(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)) == nullptr) {
        created->Release();
        return D3DERR_INITFAILED;
    }
    *device = created;
    return D3D_OK;
}

bool Direct3DDevice::EnsureObjects() {
    if (!MakeCurrent()) return false;
    if (generation_ == ContextGeneration() && vertex_array_ != 0) return true;
    // Whatever was made in an older context went with it.
    programs_.Clear(false);
    gl.GenVertexArrays(1, &vertex_array_);
    gl.GenBuffers(1, &vertex_buffer_);
    gl.GenBuffers(1, &index_buffer_);
    gl.GenSamplers(static_cast<GLsizei>(kD3DMaxStages), samplers_);
    gl.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    generation_ = ContextGeneration();
    return gl.GetError() == GL_NO_ERROR;
}

void Direct3DDevice::DeleteObjects() {
    if (generation_ != 0 && generation_ == ContextGeneration() && MakeCurrent()) {
        programs_.Clear(true);
        gl.DeleteVertexArrays(1, &vertex_array_);
        gl.DeleteBuffers(1, &vertex_buffer_);
        gl.DeleteBuffers(1, &index_buffer_);
        gl.DeleteSamplers(static_cast<GLsizei>(kD3DMaxStages), samplers_);
    } else {
        programs_.Clear(false);
    }
    vertex_array_ = vertex_buffer_ = index_buffer_ = 0;
    std::memset(samplers_, 0, sizeof(samplers_));
    generation_ = 0;
}

HRESULT Direct3DDevice::QueryInterface(REFIID iid, void** object) {
    return QueryOneInterface<IDirect3DDevice7>(this, iid, IID_IDirect3DDevice7, object);
}
ULONG Direct3DDevice::AddRef() { return ++refs_; }
ULONG Direct3DDevice::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        LogDeviceCall(GlDeviceCallKind::kReleaseDevice, this, 0, 0, 0, 0, nullptr, D3D_OK);
        delete this;
    }
    return left;
}

HRESULT Direct3DDevice::GetCaps(D3DDEVICEDESC7* desc) {
    if (desc == nullptr) return DDERR_INVALIDPARAMS;
    *desc = DeviceDescription();
    desc->deviceGUID = OfferedDeviceGuid();  // the GUID the device is enumerated under
    return D3D_OK;
}

HRESULT Direct3DDevice::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) {
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    for (int i = 0; i < kTextureFormatCount; ++i) {
        DDPIXELFORMAT format = TextureFormat(i);
        if (callback(&format, context) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
}

HRESULT Direct3DDevice::BeginScene() {
    const HRESULT result = in_scene_ ? D3DERR_SCENE_IN_SCENE : D3D_OK;
    in_scene_ = true;
    LogDeviceCall(GlDeviceCallKind::kBeginScene, this, 0, 0, 0, 0, nullptr, result);
    return result;
}

HRESULT Direct3DDevice::EndScene() {
    const HRESULT result = in_scene_ ? D3D_OK : D3DERR_SCENE_NOT_IN_SCENE;
    in_scene_ = false;
    LogDeviceCall(GlDeviceCallKind::kEndScene, this, 0, 0, 0, 0, nullptr, result);
    return result;
}

HRESULT Direct3DDevice::SetRenderTarget(IDirectDrawSurface7* surface, DWORD flags) {
    const HRESULT result = SetRenderTargetUnlogged(surface, flags);
    LogDeviceCall(GlDeviceCallKind::kSetRenderTarget, this, 0, 0, 0, 0, surface, result);
    return result;
}

HRESULT Direct3DDevice::SetRenderTargetUnlogged(IDirectDrawSurface7* surface, DWORD) {
    GlSurface* target = GlSurface::From(surface);
    if (target == nullptr || target->is_depth()) return DDERR_INVALIDPARAMS;
    const HRESULT usable = target->UsableResult();
    if (usable != DD_OK) return usable;
    target->AddRef();
    target_->Release();
    target_ = target;
    viewport_ = D3DVIEWPORT7{0, 0, static_cast<DWORD>(target->width()), static_cast<DWORD>(target->height()), 0.0f,
                             1.0f};
    return D3D_OK;
}

HRESULT Direct3DDevice::GetRenderTarget(IDirectDrawSurface7** surface) {
    if (surface == nullptr) return DDERR_INVALIDPARAMS;
    target_->AddRef();
    *surface = target_;
    return D3D_OK;
}

HRESULT Direct3DDevice::SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
    if (matrix == nullptr || type < D3DTRANSFORMSTATE_WORLD || type > D3DTRANSFORMSTATE_WORLD3) {
        LogDeviceCall(GlDeviceCallKind::kSetTransform, this, 0, type, 0, 0, nullptr, DDERR_INVALIDPARAMS);
        return DDERR_INVALIDPARAMS;
    }
    LogDeviceCall(GlDeviceCallKind::kSetTransform, this, 0, type, 0, 0, nullptr, D3D_OK, matrix, sizeof(D3DMATRIX));
    // Stored only: every vertex drawn is pre-transformed.
    transforms_[type] = *matrix;
    return D3D_OK;
}

HRESULT Direct3DDevice::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
    if (matrix == nullptr || type < D3DTRANSFORMSTATE_WORLD || type > D3DTRANSFORMSTATE_WORLD3) {
        return DDERR_INVALIDPARAMS;
    }
    *matrix = transforms_[type];
    return D3D_OK;
}

HRESULT Direct3DDevice::SetViewport(D3DVIEWPORT7* viewport) {
    const HRESULT result = SetViewportUnlogged(viewport);
    LogDeviceCall(GlDeviceCallKind::kSetViewport, this, 0, 0, 0, 0, nullptr, result, viewport,
                  viewport != nullptr ? sizeof(D3DVIEWPORT7) : 0);
    return result;
}

HRESULT Direct3DDevice::SetViewportUnlogged(D3DVIEWPORT7* viewport) {
    if (viewport == nullptr) return DDERR_INVALIDPARAMS;
    const unsigned long long right = static_cast<unsigned long long>(viewport->dwX) + viewport->dwWidth;
    const unsigned long long bottom = static_cast<unsigned long long>(viewport->dwY) + viewport->dwHeight;
    if (viewport->dwWidth == 0 || viewport->dwHeight == 0 || right > static_cast<unsigned long long>(target_->width()) ||
        bottom > static_cast<unsigned long long>(target_->height()) || !(viewport->dvMinZ >= 0.0f) ||
        !(viewport->dvMaxZ <= 1.0f) || !(viewport->dvMinZ <= viewport->dvMaxZ)) {
        return DDERR_INVALIDPARAMS;
    }
    viewport_ = *viewport;
    return D3D_OK;
}

HRESULT Direct3DDevice::GetViewport(D3DVIEWPORT7* viewport) {
    if (viewport == nullptr) return DDERR_INVALIDPARAMS;
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT Direct3DDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    const bool known = state != 0 && state < kD3DRenderStateCount;
    if (known) render_states_[state] = value;
    const HRESULT result = known ? D3D_OK : DDERR_INVALIDPARAMS;
    LogDeviceCall(GlDeviceCallKind::kSetRenderState, this, 0, state, value, 0, nullptr, result);
    return result;
}

HRESULT Direct3DDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (value == nullptr || state == 0 || state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
    *value = render_states_[state];
    return D3D_OK;
}

HRESULT Direct3DDevice::SetTexture(DWORD stage, IDirectDrawSurface7* texture) {
    const HRESULT result = SetTextureUnlogged(stage, texture);
    LogDeviceCall(GlDeviceCallKind::kSetTexture, this, stage, 0, 0, 0, texture, result);
    return result;
}

HRESULT Direct3DDevice::SetTextureUnlogged(DWORD stage, IDirectDrawSurface7* texture) {
    if (stage >= kD3DMaxStages) return DDERR_INVALIDPARAMS;
    GlSurface* surface = nullptr;
    if (texture != nullptr) {
        surface = GlSurface::From(texture);
        // Textures are read from video memory only.
        if (surface == nullptr || surface->is_depth() || !surface->is_texture()) return DDERR_INVALIDPARAMS;
        surface->AddRef();
    }
    if (textures_[stage] != nullptr) textures_[stage]->Release();
    textures_[stage] = surface;
    return D3D_OK;
}

HRESULT Direct3DDevice::GetTexture(DWORD stage, IDirectDrawSurface7** texture) {
    if (texture == nullptr || stage >= kD3DMaxStages) return DDERR_INVALIDPARAMS;
    *texture = textures_[stage];
    if (*texture != nullptr) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Direct3DDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
    const bool known = stage < kD3DMaxStages && state != 0 && state < kD3DStageStateCount;
    LogDeviceCall(GlDeviceCallKind::kSetTextureStageState, this, stage, state, value, 0, nullptr,
                  known ? D3D_OK : DDERR_INVALIDPARAMS);
    if (!known) return DDERR_INVALIDPARAMS;
    stage_states_[stage][state] = value;
    // The one address state sets both directions.
    if (state == D3DTSS_ADDRESS) stage_states_[stage][D3DTSS_ADDRESSU] = stage_states_[stage][D3DTSS_ADDRESSV] = value;
    return D3D_OK;
}

HRESULT Direct3DDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) {
    if (value == nullptr || stage >= kD3DMaxStages || state == 0 || state >= kD3DStageStateCount) {
        return DDERR_INVALIDPARAMS;
    }
    *value = stage_states_[stage][state];
    return D3D_OK;
}

StageProgramKey Direct3DDevice::BuildKey(DWORD fvf) const {
    StageProgramKey key;
    key.texture_sets = static_cast<std::uint8_t>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    key.has_diffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    key.flat = render_states_[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
    key.alpha_func = render_states_[D3DRENDERSTATE_ALPHATESTENABLE] != 0
                         ? static_cast<std::uint8_t>(render_states_[D3DRENDERSTATE_ALPHAFUNC] & 0xFF)
                         : 0;
    if (key.alpha_func == 0 && render_states_[D3DRENDERSTATE_ALPHATESTENABLE] != 0) key.alpha_func = D3DCMP_NEVER;
    const bool color_key = render_states_[D3DRENDERSTATE_COLORKEYENABLE] != 0;
    for (DWORD k = 0; k < kD3DMaxStages; ++k) {
        const DWORD* s = stage_states_[k];
        if (s[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        StageProgramKey::Stage& stage = key.stages[k];
        stage.color_op = static_cast<std::uint8_t>(s[D3DTSS_COLOROP]);
        stage.color_arg1 = static_cast<std::uint8_t>(s[D3DTSS_COLORARG1]);
        stage.color_arg2 = static_cast<std::uint8_t>(s[D3DTSS_COLORARG2]);
        stage.alpha_op = static_cast<std::uint8_t>(s[D3DTSS_ALPHAOP]);
        stage.alpha_arg1 = static_cast<std::uint8_t>(s[D3DTSS_ALPHAARG1]);
        stage.alpha_arg2 = static_cast<std::uint8_t>(s[D3DTSS_ALPHAARG2]);
        const DWORD set = s[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
        stage.coord_set = static_cast<std::uint8_t>(set < key.texture_sets ? set : 2);
        stage.textured = textures_[k] != nullptr;
        float unused[4];
        stage.keyed = stage.textured && color_key && textures_[k]->SourceKeyUnit(unused);
        key.stage_count = static_cast<std::uint8_t>(k + 1);
    }
    return key;
}

HRESULT Direct3DDevice::Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertex_count,
                             const WORD* indices, DWORD index_count) {
    const int stride = VertexStride(fvf);
    if (stride == 0) return D3DERR_INVALIDVERTEXTYPE;
    if (vertices == nullptr) return DDERR_INVALIDPARAMS;
    GLenum mode = 0;
    if (indices != nullptr) {
        if (vertex_count == 0 || vertex_count > kD3DMaxVertices) return DDERR_INVALIDPARAMS;
        if (!PrimitiveFor(type, index_count, &mode)) return D3DERR_INVALIDPRIMITIVETYPE;
        for (DWORD i = 0; i < index_count; ++i) {
            if (indices[i] >= vertex_count) return DDERR_INVALIDPARAMS;
        }
    } else if (!PrimitiveFor(type, vertex_count, &mode)) {
        return D3DERR_INVALIDPRIMITIVETYPE;
    }
    HRESULT usable = target_->UsableResult();
    if (usable != DD_OK) return usable;
    for (GlSurface* texture : textures_) {
        if (texture != nullptr && (usable = texture->UsableResult()) != DD_OK) return usable;
    }
    const bool depth = render_states_[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE && target_->depth() != nullptr;
    if (depth && (usable = target_->depth()->UsableResult()) != DD_OK) return usable;
    if (!EnsureObjects()) return DDERR_SURFACELOST;
    const StageProgramKey key = BuildKey(fvf);
    const StageProgram* program = programs_.Get(key);
    if (program == nullptr) return D3DERR_INITFAILED;
    if (!target_->BindForDrawing(depth)) return DDERR_SURFACELOST;

    gl.UseProgram(program->program);
    gl.Uniform2f(program->target_size, static_cast<float>(target_->width()), static_cast<float>(target_->height()));
    float unit[4];
    Unit(render_states_[D3DRENDERSTATE_TEXTUREFACTOR], unit);
    gl.Uniform4f(program->texture_factor, unit[0], unit[1], unit[2], unit[3]);
    gl.Uniform1f(program->alpha_ref, static_cast<float>(render_states_[D3DRENDERSTATE_ALPHAREF] & 0xFF));
    for (int k = 0; k < key.stage_count; ++k) {
        if (!key.stages[k].textured) continue;
        GlSurface* texture = textures_[k];
        gl.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(k));
        gl.BindTexture(GL_TEXTURE_2D, texture->texture());
        const DWORD* s = stage_states_[k];
        gl.BindSampler(static_cast<GLuint>(k), samplers_[k]);
        gl.SamplerParameteri(samplers_[k], GL_TEXTURE_WRAP_S, Address(s[D3DTSS_ADDRESSU]));
        gl.SamplerParameteri(samplers_[k], GL_TEXTURE_WRAP_T, Address(s[D3DTSS_ADDRESSV]));
        gl.SamplerParameteri(samplers_[k], GL_TEXTURE_MAG_FILTER,
                             s[D3DTSS_MAGFILTER] == D3DTFG_POINT ? GL_NEAREST : GL_LINEAR);
        gl.SamplerParameteri(samplers_[k], GL_TEXTURE_MIN_FILTER,
                             s[D3DTSS_MINFILTER] == D3DTFN_POINT ? GL_NEAREST : GL_LINEAR);
        if (key.stages[k].keyed) {
            float rgba[4];
            texture->SourceKeyUnit(rgba);
            gl.Uniform4f(program->keys[k], rgba[0], rgba[1], rgba[2], rgba[3]);
        }
    }
    gl.ActiveTexture(GL_TEXTURE0);

    // Fixed GL state from the render states.
    gl.Viewport(0, 0, target_->width(), target_->height());
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(static_cast<GLint>(viewport_.dwX), static_cast<GLint>(viewport_.dwY),
               static_cast<GLsizei>(viewport_.dwWidth), static_cast<GLsizei>(viewport_.dwHeight));
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (render_states_[D3DRENDERSTATE_ALPHABLENDENABLE] != 0) {
        gl.Enable(GL_BLEND);
        gl.BlendFunc(BlendFactor(render_states_[D3DRENDERSTATE_SRCBLEND]),
                     BlendFactor(render_states_[D3DRENDERSTATE_DESTBLEND]));
    } else {
        gl.Disable(GL_BLEND);
    }
    if (depth) {
        gl.Enable(GL_DEPTH_TEST);
        gl.DepthFunc(DepthFunction(render_states_[D3DRENDERSTATE_ZFUNC]));
        gl.DepthMask(render_states_[D3DRENDERSTATE_ZWRITEENABLE] != 0 ? GL_TRUE : GL_FALSE);
    } else {
        gl.Disable(GL_DEPTH_TEST);
    }
    // Vertices are given with y growing downwards and drawn unflipped, so a triangle that
    // turns counter-clockwise on the screen is clockwise in GL's window coordinates.
    const DWORD cull = render_states_[D3DRENDERSTATE_CULLMODE];
    if (cull == D3DCULL_CCW || cull == D3DCULL_CW) {
        gl.Enable(GL_CULL_FACE);
        gl.FrontFace(GL_CCW);
        gl.CullFace(cull == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    } else {
        gl.Disable(GL_CULL_FACE);
    }

    // The vertices as they are laid out.
    gl.BindVertexArray(vertex_array_);
    gl.BindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
    gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertex_count) * stride, vertices, GL_STREAM_DRAW);
    std::uintptr_t offset = 0;
    gl.EnableVertexAttribArray(kAttribPosition);
    gl.VertexAttribPointer(kAttribPosition, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offset));
    offset += 16;
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        gl.EnableVertexAttribArray(kAttribDiffuse);
        gl.VertexAttribPointer(kAttribDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                               reinterpret_cast<void*>(offset));
        offset += 4;
    } else {
        gl.DisableVertexAttribArray(kAttribDiffuse);
        gl.VertexAttrib4f(kAttribDiffuse, 1, 1, 1, 1);
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) offset += 4;
    const GLuint sets[2] = {kAttribTexture0, kAttribTexture1};
    for (int set = 0; set < 2; ++set) {
        if (set < key.texture_sets) {
            gl.EnableVertexAttribArray(sets[set]);
            gl.VertexAttribPointer(sets[set], 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offset));
            offset += 8;
        } else {
            gl.DisableVertexAttribArray(sets[set]);
            gl.VertexAttrib4f(sets[set], 0, 0, 0, 1);
        }
    }
    if (indices != nullptr) {
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);
        gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_count) * 2, indices, GL_STREAM_DRAW);
        gl.DrawElements(mode, static_cast<GLsizei>(index_count), GL_UNSIGNED_SHORT, nullptr);
    } else {
        gl.DrawArrays(mode, 0, static_cast<GLsizei>(vertex_count));
    }
    gl.BindVertexArray(0);
    gl.Disable(GL_SCISSOR_TEST);
    const bool ok = gl.GetError() == GL_NO_ERROR;
    target_->PresentIfPrimary();
    return ok ? D3D_OK : DDERR_GENERIC;
}

HRESULT Direct3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count, DWORD) {
    const HRESULT result = Draw(type, fvf, vertices, vertex_count, nullptr, 0);
    if (DeviceCallLogOn()) {
        const std::size_t bytes = vertices != nullptr && vertex_count <= kD3DMaxVertices
                                      ? static_cast<std::size_t>(VertexStride(fvf)) * vertex_count
                                      : 0;
        LogDeviceCall(GlDeviceCallKind::kDrawPrimitive, this, 0, type, fvf, vertex_count, nullptr, result, vertices,
                      bytes);
    }
    return result;
}

HRESULT Direct3DDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count,
                                             WORD* indices, DWORD index_count, DWORD) {
    const HRESULT result =
        indices == nullptr ? DDERR_INVALIDPARAMS : Draw(type, fvf, vertices, vertex_count, indices, index_count);
    if (DeviceCallLogOn()) {
        const std::size_t bytes = vertices != nullptr && vertex_count <= kD3DMaxVertices
                                      ? static_cast<std::size_t>(VertexStride(fvf)) * vertex_count
                                      : 0;
        LogDeviceCall(GlDeviceCallKind::kDrawIndexedPrimitive, this, 0, type, fvf, vertex_count, nullptr, result,
                      vertices, bytes, indices, index_count <= kD3DMaxVertices ? index_count : 0);
    }
    return result;
}

HRESULT Direct3DDevice::Load(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source,
                             RECT* source_rect, DWORD flags) {
    const HRESULT result = LoadUnlogged(destination, point, source, source_rect, flags);
    LogDeviceCall(GlDeviceCallKind::kLoad, this, 0, 0, 0, 0, destination, result);
    return result;
}

HRESULT Direct3DDevice::LoadUnlogged(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source,
                                     RECT* source_rect, DWORD) {
    GlSurface* to = GlSurface::From(destination);
    if (to == nullptr || source == nullptr) return DDERR_INVALIDPARAMS;
    DDPIXELFORMAT a{};
    DDPIXELFORMAT b{};
    if (FAILED(destination->GetPixelFormat(&a)) || FAILED(source->GetPixelFormat(&b))) return DDERR_INVALIDPARAMS;
    if (a.dwRGBBitCount != b.dwRGBBitCount || a.dwRBitMask != b.dwRBitMask || a.dwGBitMask != b.dwGBitMask ||
        a.dwBBitMask != b.dwBBitMask || a.dwRGBAlphaBitMask != b.dwRGBAlphaBitMask) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    const POINT at = point != nullptr ? *point : POINT{0, 0};
    if (at.x < 0 || at.y < 0) return DDERR_INVALIDRECT;
    return destination->BltFast(static_cast<DWORD>(at.x), static_cast<DWORD>(at.y), source, source_rect,
                                DDBLTFAST_NOCOLORKEY);
}

}  // namespace gl_backend
