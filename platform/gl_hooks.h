// Seams inside the platform layer for tests of the 3-D stand-in over OpenGL: a context
// lost as after a driver reset, and stage programs that fail to compile. The engine never
// includes this header; platform/testing/gl_testing.h wraps it.
#pragma once

namespace platform_hooks {

// The GL context goes away with everything made in it: video-memory surfaces report
// DDERR_SURFACELOST until restored (Restore makes a new context), devices refuse to draw.
void LoseGlContext();
// While on, every stage program generated afterwards fails to compile.
void SetGlShaderFailure(bool on);

}  // namespace platform_hooks
