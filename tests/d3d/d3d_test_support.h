// Shared pieces of the Direct3D renderer's tests.
#pragma once

namespace d3d_test {

inline constexpr char kNoGlMessage[] =
    "no OpenGL 3.3 core context can be made here; the Direct3D renderer is not tested";

}  // namespace d3d_test
