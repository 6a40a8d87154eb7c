// The process's OpenGL 3.3 core context (made through SDL on a hidden window of its own)
// and the table of GL entry points loaded from it. Every 3-D object holds a reference;
// the context goes away with the last one. A lost context is re-made on request with a
// new generation number, and objects of an older generation count as lost.
#pragma once

#include <GL/glcorearb.h>

#include <cstdint>

struct SDL_Window;

namespace gl_backend {

#define VOMUR_GL_FUNCTIONS(X)                                                                            \
    X(PFNGLGETSTRINGPROC, GetString)                                                                     \
    X(PFNGLGETERRORPROC, GetError)                                                                       \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                                                                 \
    X(PFNGLVIEWPORTPROC, Viewport)                                                                       \
    X(PFNGLSCISSORPROC, Scissor)                                                                         \
    X(PFNGLENABLEPROC, Enable)                                                                           \
    X(PFNGLDISABLEPROC, Disable)                                                                         \
    X(PFNGLCLEARPROC, Clear)                                                                             \
    X(PFNGLCLEARCOLORPROC, ClearColor)                                                                   \
    X(PFNGLCLEARDEPTHPROC, ClearDepth)                                                                   \
    X(PFNGLCOLORMASKPROC, ColorMask)                                                                     \
    X(PFNGLDEPTHMASKPROC, DepthMask)                                                                     \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                                                                     \
    X(PFNGLBLENDFUNCPROC, BlendFunc)                                                                     \
    X(PFNGLCULLFACEPROC, CullFace)                                                                       \
    X(PFNGLFRONTFACEPROC, FrontFace)                                                                     \
    X(PFNGLPROVOKINGVERTEXPROC, ProvokingVertex)                                                         \
    X(PFNGLPIXELSTOREIPROC, PixelStorei)                                                                 \
    X(PFNGLREADPIXELSPROC, ReadPixels)                                                                   \
    X(PFNGLFINISHPROC, Finish)                                                                           \
    X(PFNGLGENTEXTURESPROC, GenTextures)                                                                 \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                                                           \
    X(PFNGLBINDTEXTUREPROC, BindTexture)                                                                 \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D)                                                                   \
    X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                                                             \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri)                                                             \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                                                             \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                                                         \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                                                   \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                                                         \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)                                               \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)                                           \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                                                         \
    X(PFNGLDRAWBUFFERPROC, DrawBuffer)                                                                   \
    X(PFNGLREADBUFFERPROC, ReadBuffer)                                                                   \
    X(PFNGLGENSAMPLERSPROC, GenSamplers)                                                                 \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                                                           \
    X(PFNGLBINDSAMPLERPROC, BindSampler)                                                                 \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)                                                     \
    X(PFNGLGENBUFFERSPROC, GenBuffers)                                                                   \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                                                             \
    X(PFNGLBINDBUFFERPROC, BindBuffer)                                                                   \
    X(PFNGLBUFFERDATAPROC, BufferData)                                                                   \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                                                         \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)                                                   \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                                                         \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)                                         \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray)                                       \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)                                                 \
    X(PFNGLVERTEXATTRIB4FPROC, VertexAttrib4f)                                                           \
    X(PFNGLCREATESHADERPROC, CreateShader)                                                               \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                                                               \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                                                             \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                                                                 \
    X(PFNGLDELETESHADERPROC, DeleteShader)                                                               \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                                                             \
    X(PFNGLATTACHSHADERPROC, AttachShader)                                                               \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                                                                 \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                                                               \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                                                             \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                                                                   \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                                                   \
    X(PFNGLUNIFORM1IPROC, Uniform1i)                                                                     \
    X(PFNGLUNIFORM1FPROC, Uniform1f)                                                                     \
    X(PFNGLUNIFORM4FPROC, Uniform4f)                                                                     \
    X(PFNGLUNIFORM2FPROC, Uniform2f)                                                                     \
    X(PFNGLUNIFORM3FPROC, Uniform3f)                                                                     \
    X(PFNGLUNIFORM4IPROC, Uniform4i)                                                                     \
    X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)                                                   \
    X(PFNGLBINDFRAGDATALOCATIONPROC, BindFragDataLocation)                                               \
    X(PFNGLDRAWARRAYSPROC, DrawArrays)                                                                   \
    X(PFNGLDRAWELEMENTSPROC, DrawElements)

struct GlFunctions {
#define VOMUR_GL_FIELD(type, name) type name = nullptr;
    VOMUR_GL_FUNCTIONS(VOMUR_GL_FIELD)
#undef VOMUR_GL_FIELD
};

// The entry points of the current context; valid while a reference is held and the
// context is not lost.
extern GlFunctions gl;

// Takes a reference, making the context on first use. False (no reference taken) when
// no OpenGL 3.3 core context can be made here.
bool AcquireContext();
void ReleaseContext();
// Makes the context current on this thread (on its own hidden window); false while it
// is lost.
bool MakeCurrent();
// Makes the live context current on a window made with SDL_WINDOW_OPENGL under the
// attributes of SetContextAttributes, to draw into that window's own framebuffer; false
// when it cannot be. MakeCurrent returns to the hidden window.
bool MakeCurrentOnWindow(SDL_Window* window);
// Sets SDL's GL attributes to those the context is made with (windows made afterwards
// with SDL_WINDOW_OPENGL can then show it).
void SetContextAttributes();
bool IsContextLost();
// The generation of the live context (0 while none); objects made in an older one are
// gone.
std::uint64_t ContextGeneration();
// Re-makes a lost context (a new generation); true when a context is live afterwards.
bool RecoverContext();

// Test switches (platform/gl_hooks.h).
void LoseContextForTest();
void SetShaderFailureForTest(bool on);
bool ShaderFailureForTest();

}  // namespace gl_backend
