// Start-up of the engine with DirectDraw graphs next to the renderer (see directdraw_graphs.h).
#include "tests/d3d/directdraw_graphs.h"

#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/include/vomur.h"
#include "tests/d3d/d3d_test_support.h"

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

}  // namespace d3d_test
