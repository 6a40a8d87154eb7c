// Building a GL program from the sources of its two shaders, in the live context.
#pragma once

#include <GL/glcorearb.h>

namespace gl_backend {

// Compiles both shaders and links them into a program; `before_link` (may be null) is
// called on the program between attaching and linking, to bind attribute and output
// locations. The shaders are deleted either way. 0 when either shader does not compile
// or the program does not link.
GLuint BuildProgram(const char* vertex_source, const char* fragment_source, void (*before_link)(GLuint program));

}  // namespace gl_backend
