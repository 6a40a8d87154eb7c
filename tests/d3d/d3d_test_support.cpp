// The renderer tests' engine fixture and call-log helpers; the program's set-up for GL
// (tests/support/gl_test_program.h).
#include "tests/d3d/d3d_test_support.h"

#include <cstdlib>
#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/support/engine_testing/d3d_testing.h"
#include "tests/support/gl_test_program.h"

namespace {

// The renderer's own routines (texture division, format slots) reach the graphics core
// through the table the engine fills as the screen starts; tests that call them without a
// screen have it filled first.
struct RendererHooks {
    RendererHooks() { InstallRendererHooks(); }
} g_renderer_hooks;

}  // namespace

namespace d3d_test {

void D3DEngine::SetUp() {
    SetDirect3DRendererEnabled(1);
    session_ = std::make_unique<engine_test::EngineSession>(true);
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    started_ = true;
    if (!IsDirect3DUp()) GTEST_SKIP() << kNoGlMessage;
}

void D3DEngine::TearDown() {
    for (IDirectDrawSurface7* surface : owned_) surface->Release();
    owned_.clear();
    if (started_) {
        EXPECT_EQ(ApiTerminateLibrary(), 0);
    }
    session_.reset();
    SetDirect3DRendererEnabled(0);
}

IDirectDrawSurface7* D3DEngine::Texture(int width, int height, bool alpha) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE;
    desc.ddpfPixelFormat = *GetTextureFormatPixelFormat(alpha ? 3 : 0);
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(GetDirectDrawObject()->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface != nullptr) owned_.push_back(surface);
    return surface;
}

int D3DEngine::Piece(int width, int height, int alpha_channel, int alpha_test) {
    // The SurfaceData is made as a plain surface, then given a texture of the size.
    std::uint8_t bytes[9] = {0, 0, 0, 0, 0, 0, 16, 0, 0};
    const int handle = AddSurface3DData(width, height, 0, 0, width, height, 0, 0, -1, nullptr, 0, 0, bytes, GetDrawSettings()->transparent_color);
    EXPECT_NE(handle, -1);
    Surface3DData* piece = GetSurface3DData(handle);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data->surface != nullptr) data->surface->Release();
    data->surface = Texture(width, height, alpha_channel != 0 || alpha_test != 0);
    data->surface->AddRef();
    data->creation.alpha_channel = static_cast<std::uint8_t>(alpha_channel);
    data->creation.alpha_test = static_cast<std::uint8_t>(alpha_test);
    return handle;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> RenderStates(const std::vector<GlDeviceCall>& calls) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> states;
    for (const GlDeviceCall& call : calls) {
        if (call.kind == GlDeviceCallKind::kSetRenderState) states.emplace_back(call.state, call.value);
    }
    return states;
}

long long LastRenderState(const std::vector<GlDeviceCall>& calls, std::uint32_t state) {
    long long value = -1;
    for (const GlDeviceCall& call : calls) {
        if (call.kind == GlDeviceCallKind::kSetRenderState && call.state == state) value = call.value;
    }
    return value;
}

long long LastStageState(const std::vector<GlDeviceCall>& calls, std::uint32_t stage, std::uint32_t state) {
    long long value = -1;
    for (const GlDeviceCall& call : calls) {
        if (call.kind == GlDeviceCallKind::kSetTextureStageState && call.stage == stage && call.state == state) {
            value = call.value;
        }
    }
    return value;
}

}  // namespace d3d_test
