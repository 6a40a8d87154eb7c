// Shared pieces of the Direct3D renderer's tests: the engine started in a window with the
// renderer enabled over Mesa's GL (skipping where no GL context can be made; a GL rendering
// on the CPU is counted as the hardware device for every test of the program), texture
// surfaces and texture pieces with chosen alpha bytes, and call-log helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/d3d/d3d_state.h"
#include "platform/testing/gl_testing.h"
#include "tests/support/engine_session.h"

namespace d3d_test {

inline constexpr char kNoGlMessage[] =
    "no OpenGL 3.3 core context can be made here; the Direct3D renderer is not tested";

class D3DEngine : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    int device() const { return D3DState().current_device; }
    D3DDeviceRecord* record() const { return CurrentD3DDeviceRecord(); }
    // A video-memory texture (R5G6B5, or A8R8G8B8 with `alpha`), released at the end.
    IDirectDrawSurface7* Texture(int width, int height, bool alpha = false);
    // A texture piece of its own SurfaceData, with a texture of `width` x `height` and the
    // SurfaceData's alpha-channel and alpha-test bytes as given.
    int Piece(int width, int height, int alpha_channel = 0, int alpha_test = 0);

    std::unique_ptr<engine_test::EngineSession> session_;
    bool started_ = false;
    std::vector<IDirectDrawSurface7*> owned_;
};

// The render-state calls of a log as (state, value) pairs, in order.
std::vector<std::pair<std::uint32_t, std::uint32_t>> RenderStates(const std::vector<GlDeviceCall>& calls);
// The value of the last call setting `state`, or -1 when none did.
long long LastRenderState(const std::vector<GlDeviceCall>& calls, std::uint32_t state);
long long LastStageState(const std::vector<GlDeviceCall>& calls, std::uint32_t stage, std::uint32_t state);

}  // namespace d3d_test
