// Seams inside the platform layer for tests of the 3-D stand-in over OpenGL: a context
// lost as after a driver reset, stage programs that fail to compile, and a count of
// pictures shown in a window through GL. The engine never includes this header;
// platform/testing/gl_testing.h wraps it.
#pragma once

#include <cstdint>

namespace platform_hooks {

// The GL context goes away with everything made in it: video-memory surfaces report
// DDERR_SURFACELOST until restored (Restore makes a new context), devices refuse to draw.
void LoseGlContext();
// While on, every stage program generated afterwards fails to compile.
void SetGlShaderFailure(bool on);
// How many times a primary surface's picture reached its window through GL (rather than
// through the picture presenter).
std::uint64_t GlWindowPresentCount();

}  // namespace platform_hooks
