// An engine session with the Direct3D renderer up on the back buffer (SDL's off-screen
// driver and Mesa's software GL), texture graphs made and written by the renderer, and
// the back buffer's and textures' pixels read through locks. Every test skips with a
// message where no OpenGL 3.3 context can be made.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"
#include "platform/testing/display_testing.h"
#include "tests/support/engine_session.h"

namespace d3d_test {

// A pattern texel 0x00RRGGBB of (x, y), every one distinct in a 256 x 256 area.
inline std::uint32_t PatternTexel(int x, int y) {
    return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x * 7 + y * 13) & 0xFF));
}

class D3DDrawSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A texture graph of the size with every texel from `texel` (0xAARRGGBB; alpha only
    // where the graph has an alpha channel). The record stays valid until the test ends.
    GraphRecord* MakeTextureGraph(int width, int height, const std::function<std::uint32_t(int, int)>& texel,
                                  int alpha = 0);
    // The back buffer filled with one colour (0x00RRGGBB).
    void FillBack(std::uint32_t rgb);
    // Back-buffer pixels 0x00RRGGBB of a rectangle of the draw target (moved by its
    // origin on the back surface), row by row, after the scene ended.
    std::vector<std::uint32_t> ReadBack(RECT rect);
    std::uint32_t BackPixel(int x, int y);
    // A graph's texel (x, y) in the graph, as 0xAARRGGBB of its texture's format.
    std::uint32_t Texel(const GraphRecord* graph, int x, int y);

    DisplayWithVideoMemory video_;
    engine_test::EngineSession session_;
    std::vector<int> graphs_;
    bool up_ = false;
};

}  // namespace d3d_test
