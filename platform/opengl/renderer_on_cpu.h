// Whether GL's renderer is one of Mesa's rasterisers running on the CPU rather than a GPU:
// read from the renderer string of each context when it is made. Such a GL draws slower
// than the engine's own software path, so the 3-D object offers it as the
// software-emulation device rather than as a hardware one.
#pragma once

namespace gl_backend {

// Whether a GL_RENDERER string names a CPU rasteriser (llvmpipe, softpipe, the classic
// software rasteriser); false for null.
bool IsCpuRasteriserName(const char* renderer);

// Keeps the renderer string of the context just made.
void NoteContextRenderer(const char* renderer);
// Whether the context made last renders on the CPU (false before any was made).
bool RendererOnCpu();

}  // namespace gl_backend
