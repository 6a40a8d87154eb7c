// The test seams of platform/gl_hooks.h over the context module.
#include "platform/gl_hooks.h"
#include "platform/opengl/gl_context.h"
#include "platform/opengl/gl_presenter.h"

namespace platform_hooks {

void LoseGlContext() { gl_backend::LoseContextForTest(); }
void SetGlShaderFailure(bool on) { gl_backend::SetShaderFailureForTest(on); }
std::uint64_t GlWindowPresentCount() { return gl_backend::GlPresentCount(); }

}  // namespace platform_hooks
