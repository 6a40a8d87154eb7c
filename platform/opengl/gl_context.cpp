// The OpenGL context of the 3-D stand-in: an OpenGL 3.3 core context on a hidden SDL
// window of its own (the window layer's video subsystem reference keeps SDL's video up
// meanwhile), its entry points loaded through SDL, and its loss and recovery.
#include "platform/opengl/gl_context.h"

#include <dlfcn.h>
#include <link.h>

#include "platform/opengl/renderer_on_cpu.h"
#include "platform/sdl/window_internal.h"

namespace gl_backend {

GlFunctions gl;

namespace {

int g_refs = 0;
bool g_video_held = false;
SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
bool g_lost = false;
std::uint64_t g_generation = 0;
std::uint64_t g_next_generation = 1;
bool g_shader_failure = false;

void DestroyContext() {
    if (g_context != nullptr) SDL_GL_DeleteContext(g_context);
    if (g_window != nullptr) SDL_DestroyWindow(g_window);
    g_context = nullptr;
    g_window = nullptr;
    gl = GlFunctions{};
    g_generation = 0;
}

bool LoadFunctions() {
    bool all = true;
#define VOMUR_GL_LOAD(type, name)                                                   \
    gl.name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name));            \
    if (gl.name == nullptr) all = false;
    VOMUR_GL_FUNCTIONS(VOMUR_GL_LOAD)
#undef VOMUR_GL_LOAD
    return all;
}

int PinLibrary(dl_phdr_info* info, std::size_t, void*) {
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

// The GL driver, once loaded, stays mapped for the life of the process: drivers keep
// allocations of their own in their globals until the process ends, which would turn into
// reported leaks of unknown code if the driver were unmapped when SDL gives GL back.
void PinLoadedLibraries() {
    static bool pinned = false;
    if (pinned) return;
    pinned = true;
    dl_iterate_phdr(&PinLibrary, nullptr);
}

}  // namespace

void SetContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
}

namespace {

bool MakeContext() {
    if (!g_video_held) {
        if (!sdl_window::AcquireVideo()) return false;
        g_video_held = true;
    }
    SetContextAttributes();
    g_window = SDL_CreateWindow("vomur-gl", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (g_window != nullptr) g_context = SDL_GL_CreateContext(g_window);
    if (g_context == nullptr || SDL_GL_MakeCurrent(g_window, g_context) != 0 || !LoadFunctions()) {
        DestroyContext();
        return false;
    }
    GLint major = 0;
    GLint minor = 0;
    gl.GetIntegerv(GL_MAJOR_VERSION, &major);
    gl.GetIntegerv(GL_MINOR_VERSION, &minor);
    if (major < 3 || (major == 3 && minor < 3)) {
        DestroyContext();
        return false;
    }
    NoteContextRenderer(reinterpret_cast<const char*>(gl.GetString(GL_RENDERER)));
    g_generation = g_next_generation++;
    g_lost = false;
    PinLoadedLibraries();
    return true;
}

void DropVideo() {
    if (g_video_held) sdl_window::ReleaseVideo();
    g_video_held = false;
}

}  // namespace

bool AcquireContext() {
    if (g_refs == 0) {
        if (!MakeContext()) {
            DropVideo();
            return false;
        }
    }
    ++g_refs;
    return true;
}

void ReleaseContext() {
    if (g_refs <= 0) return;
    if (--g_refs == 0) {
        DestroyContext();
        g_lost = false;
        DropVideo();
    }
}

bool MakeCurrent() {
    if (g_lost || g_context == nullptr) return false;
    if (SDL_GL_GetCurrentContext() != g_context || SDL_GL_GetCurrentWindow() != g_window) {
        return SDL_GL_MakeCurrent(g_window, g_context) == 0;
    }
    return true;
}

bool MakeCurrentOnWindow(SDL_Window* window) {
    if (g_lost || g_context == nullptr || window == nullptr) return false;
    if (SDL_GL_GetCurrentContext() == g_context && SDL_GL_GetCurrentWindow() == window) return true;
    return SDL_GL_MakeCurrent(window, g_context) == 0;
}

bool IsContextLost() { return g_lost || g_context == nullptr; }

std::uint64_t ContextGeneration() { return g_lost ? 0 : g_generation; }

bool RecoverContext() {
    if (!g_lost && g_context != nullptr) return true;
    if (g_refs == 0) return false;
    DestroyContext();
    return MakeContext();
}

void LoseContextForTest() {
    if (g_context == nullptr) return;
    // Everything made in the context goes with it, as when a driver resets.
    DestroyContext();
    g_lost = true;
}

void SetShaderFailureForTest(bool on) { g_shader_failure = on; }
bool ShaderFailureForTest() { return g_shader_failure; }

}  // namespace gl_backend
