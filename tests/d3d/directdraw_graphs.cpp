// Start-up of the engine with DirectDraw graphs next to the renderer (see directdraw_graphs.h).
#include "tests/d3d/directdraw_graphs.h"

#include <cstring>

#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/include/vomur.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/engine_testing/d3d_testing.h"

namespace d3d_test {

bool StartWithDirectDrawGraphs() {
    SetDirect3DRendererEnabled(1);
    if (ApiInitializeLibrary() != 0) {
        ADD_FAILURE() << "the engine did not start";
        return false;
    }
    if (!IsDirect3DUp()) {
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        [] { GTEST_SKIP() << kNoGlMessage; }();
        return false;
    }
    // Set once the DirectDraw object exists, the switch only stops new graphs from being
    // textures; the screen keeps its 3-D device.
    EXPECT_EQ(SetUseTextureGraphs(0), 0);
    EXPECT_EQ(GetScreenState()->software_render, 0);
    return true;
}

std::uint32_t BackSurfacePixel(int x, int y, IDirectDrawSurface7* surface) {
    if (surface == nullptr) surface = GetScreenState()->back;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return 0xDEADBEEF;
    std::uint32_t raw = 0;
    std::memcpy(&raw, static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * 4, 4);
    surface->Unlock(nullptr);
    return raw & 0xFFFFFF;
}

}  // namespace d3d_test
