// The 3-D device of the stand-in: render and texture-stage states kept as given, drawn
// through the generated stage programs of stage_shaders.cpp into the render target's GL
// framebuffer.
#pragma once

#include "platform/d3d7.h"
#include "platform/opengl/gl_surface.h"
#include "platform/opengl/stage_shaders.h"

namespace gl_backend {

class Direct3DDevice final : public IDirect3DDevice7 {
public:
    // D3DERR_INITFAILED when the device's first program does not build (nothing is kept).
    static HRESULT Create(GlSurface* target, IDirect3DDevice7** device);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetCaps(D3DDEVICEDESC7* desc) override;
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT SetRenderTarget(IDirectDrawSurface7* surface, DWORD flags) override;
    HRESULT GetRenderTarget(IDirectDrawSurface7** surface) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
    HRESULT SetViewport(D3DVIEWPORT7* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT7* viewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) override;
    HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count, DWORD flags) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD vertex_count, WORD* indices,
                                 DWORD index_count, DWORD flags) override;
    HRESULT Load(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source, RECT* source_rect,
                 DWORD flags) override;

private:
    explicit Direct3DDevice(GlSurface* target);
    ~Direct3DDevice();
    // The GL objects of the live context, made again after a context loss.
    bool EnsureObjects();
    void DeleteObjects();
    StageProgramKey BuildKey(DWORD fvf) const;
    // The calls themselves; the public ones add them to the call log.
    HRESULT SetRenderTargetUnlogged(IDirectDrawSurface7* surface, DWORD flags);
    HRESULT SetViewportUnlogged(D3DVIEWPORT7* viewport);
    HRESULT SetTextureUnlogged(DWORD stage, IDirectDrawSurface7* texture);
    HRESULT LoadUnlogged(IDirectDrawSurface7* destination, POINT* point, IDirectDrawSurface7* source,
                         RECT* source_rect, DWORD flags);
    HRESULT Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertex_count, const WORD* indices,
                 DWORD index_count);

    ULONG refs_ = 1;
    bool holds_context_ = false;
    GlSurface* target_;
    D3DVIEWPORT7 viewport_{};
    DWORD render_states_[kD3DRenderStateCount] = {};
    DWORD stage_states_[kD3DMaxStages][kD3DStageStateCount] = {};
    GlSurface* textures_[kD3DMaxStages] = {};
    D3DMATRIX transforms_[8] = {};
    bool in_scene_ = false;

    std::uint64_t generation_ = 0;
    GLuint vertex_array_ = 0;
    GLuint vertex_buffer_ = 0;
    GLuint index_buffer_ = 0;
    GLuint samplers_[kD3DMaxStages] = {};
    StageProgramCache programs_;
};

// The device's description (also what the Direct3D object enumerates).
D3DDEVICEDESC7 DeviceDescription();

}  // namespace gl_backend
