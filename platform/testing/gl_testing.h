// Test hooks for the 3-D stand-in over OpenGL: a lost context, failing stage programs and
// the count of pictures a primary surface showed in its window through GL.
#pragma once

#include "platform/gl_hooks.h"

inline void LoseGlContext() { platform_hooks::LoseGlContext(); }
inline std::uint64_t GlWindowPresents() { return platform_hooks::GlWindowPresentCount(); }

// Stage programs made while it lives fail to compile.
class BreakGlShaders {
public:
    BreakGlShaders() { platform_hooks::SetGlShaderFailure(true); }
    ~BreakGlShaders() { platform_hooks::SetGlShaderFailure(false); }
    BreakGlShaders(const BreakGlShaders&) = delete;
    BreakGlShaders& operator=(const BreakGlShaders&) = delete;
};
