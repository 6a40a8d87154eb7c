#include "platform/opengl/program_build.h"

#include "platform/opengl/gl_context.h"

namespace gl_backend {
namespace {

GLuint Compile(GLenum kind, const char* source) {
    const GLuint shader = gl.CreateShader(kind);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint ok = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        gl.DeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GLuint BuildProgram(const char* vertex_source, const char* fragment_source, void (*before_link)(GLuint program)) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, vertex_source);
    const GLuint fragment = vertex != 0 ? Compile(GL_FRAGMENT_SHADER, fragment_source) : 0;
    GLuint program = 0;
    if (vertex != 0 && fragment != 0) {
        program = gl.CreateProgram();
        gl.AttachShader(program, vertex);
        gl.AttachShader(program, fragment);
        if (before_link != nullptr) before_link(program);
        gl.LinkProgram(program);
        GLint ok = GL_FALSE;
        gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            gl.DeleteProgram(program);
            program = 0;
        }
    }
    if (vertex != 0) gl.DeleteShader(vertex);
    if (fragment != 0) gl.DeleteShader(fragment);
    return program;
}

}  // namespace gl_backend
