// The renderer-string check of a GL context: Mesa names its CPU rasterisers in
// GL_RENDERER ("llvmpipe (LLVM ...)", "softpipe", "Software Rasterizer"; a GL layered on
// a CPU Vulkan driver names llvmpipe in brackets). The string is the same for every
// context of a driver, so the answer does not change while the process runs.
#include "platform/opengl/renderer_on_cpu.h"

#include <cstring>

namespace gl_backend {
namespace {

constexpr const char* kCpuRasterisers[] = {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"};

bool g_on_cpu = false;

}  // namespace

bool IsCpuRasteriserName(const char* renderer) {
    if (renderer == nullptr) return false;
    for (const char* name : kCpuRasterisers) {
        if (std::strstr(renderer, name) != nullptr) return true;
    }
    return false;
}

void NoteContextRenderer(const char* renderer) { g_on_cpu = IsCpuRasteriserName(renderer); }

bool RendererOnCpu() { return g_on_cpu; }

}  // namespace gl_backend
