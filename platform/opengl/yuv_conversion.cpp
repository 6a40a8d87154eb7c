// The YUV textures and the converting shader. The shader reads samples with texelFetch
// from integer textures and does the whole conversion in integers, so that nothing is
// filtered or rounded on the way: the sums are those of the movie player's tables, a
// non-negative sum shifted by 14 is its truncated quotient, and a negative one clamps to
// 0 either way. The 8-bit result is cut to the target's channel bits and written as
// kept / (2^bits - 1), which GL's conversion to the target's fixed-point channels stores
// exactly.
#include "platform/opengl/yuv_conversion.h"

#include <algorithm>

#include "platform/opengl/gl_context.h"

namespace gl_backend {
namespace {

constexpr const char* kVertexSource =
    "#version 330 core\n"
    "void main() {\n"
    "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));\n"
    "  gl_Position = vec4(p, 0.0, 1.0);\n"
    "}\n";

// u_layout: 0 YV12 (planes Y, Cr, Cb), 1 YUY2, 2 UYVY (plane 0 holds pixel pairs).
constexpr const char* kFragmentSource =
    "#version 330 core\n"
    "uniform usampler2D u_plane0;\n"
    "uniform usampler2D u_plane1;\n"
    "uniform usampler2D u_plane2;\n"
    "uniform int u_layout;\n"
    "uniform vec4 u_from;\n"
    "uniform vec4 u_to;\n"
    "uniform float u_flip_height;\n"
    "uniform vec4 u_drop;\n"
    "uniform float u_alpha;\n"
    "out vec4 o_colour;\n"
    "void main() {\n"
    "  ivec4 from = ivec4(u_from);\n"
    "  ivec4 to = ivec4(u_to);\n"
    "  int flip = int(u_flip_height);\n"
    "  int px = int(gl_FragCoord.x);\n"
    "  int py = int(gl_FragCoord.y);\n"
    "  if (flip > 0) py = flip - 1 - py;\n"
    "  int sx = from.x + (2 * (px - to.x) + 1) * from.z / (2 * to.z);\n"
    "  int sy = from.y + (2 * (py - to.y) + 1) * from.w / (2 * to.w);\n"
    "  int y;\n"
    "  int cb;\n"
    "  int cr;\n"
    "  if (u_layout == 0) {\n"
    "    y = int(texelFetch(u_plane0, ivec2(sx, sy), 0).r);\n"
    "    cr = int(texelFetch(u_plane1, ivec2(sx / 2, sy / 2), 0).r);\n"
    "    cb = int(texelFetch(u_plane2, ivec2(sx / 2, sy / 2), 0).r);\n"
    "  } else {\n"
    "    uvec4 pair = texelFetch(u_plane0, ivec2(sx / 2, sy), 0);\n"
    "    bool right = (sx & 1) != 0;\n"
    "    if (u_layout == 1) {\n"
    "      y = int(right ? pair.b : pair.r);\n"
    "      cb = int(pair.g);\n"
    "      cr = int(pair.a);\n"
    "    } else {\n"
    "      y = int(right ? pair.a : pair.g);\n"
    "      cb = int(pair.r);\n"
    "      cr = int(pair.b);\n"
    "    }\n"
    "  }\n"
    "  int luma = 19070 * (y - 16);\n"
    "  ivec3 sum = ivec3(luma + 26148 * (cr - 128),\n"
    "                    luma + -6406 * (cb - 128) + (-13320 * (cr - 128) + 1024),\n"
    "                    luma + 33062 * (cb - 128));\n"
    "  ivec3 rgb = min(max(sum, ivec3(0)) >> 14, ivec3(255));\n"
    "  ivec3 drop = ivec3(u_drop.xyz);\n"
    "  vec3 kept = vec3(rgb >> drop);\n"
    "  vec3 top = vec3(ivec3(255) >> drop);\n"
    "  o_colour = vec4(kept / top, u_alpha);\n"
    "}\n";

struct ConversionProgram {
    std::uint64_t generation = 0;
    bool failed = false;  // did not build in this generation
    GLuint program = 0;
    GLuint vertex_array = 0;
    GLint layout = -1;
    GLint from = -1;
    GLint to = -1;
    GLint flip_height = -1;
    GLint drop = -1;
    GLint alpha = -1;
};

ConversionProgram g_program;

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

// The program of the live context, built on first use in it (objects of an older
// context went with it).
const ConversionProgram* Program() {
    const std::uint64_t generation = ContextGeneration();
    if (generation == 0) return nullptr;
    if (g_program.generation == generation) return g_program.failed ? nullptr : &g_program;
    g_program = ConversionProgram{};
    g_program.generation = generation;
    g_program.failed = true;
    const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexSource);
    const GLuint fragment = vertex != 0 ? Compile(GL_FRAGMENT_SHADER, kFragmentSource) : 0;
    if (vertex != 0 && fragment != 0) {
        const GLuint program = gl.CreateProgram();
        gl.AttachShader(program, vertex);
        gl.AttachShader(program, fragment);
        gl.BindFragDataLocation(program, 0, "o_colour");
        gl.LinkProgram(program);
        GLint ok = GL_FALSE;
        gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok == GL_TRUE) {
            g_program.program = program;
            gl.UseProgram(program);
            gl.Uniform1i(gl.GetUniformLocation(program, "u_plane0"), 0);
            gl.Uniform1i(gl.GetUniformLocation(program, "u_plane1"), 1);
            gl.Uniform1i(gl.GetUniformLocation(program, "u_plane2"), 2);
            g_program.layout = gl.GetUniformLocation(program, "u_layout");
            g_program.from = gl.GetUniformLocation(program, "u_from");
            g_program.to = gl.GetUniformLocation(program, "u_to");
            g_program.flip_height = gl.GetUniformLocation(program, "u_flip_height");
            g_program.drop = gl.GetUniformLocation(program, "u_drop");
            g_program.alpha = gl.GetUniformLocation(program, "u_alpha");
            gl.GenVertexArrays(1, &g_program.vertex_array);
            g_program.failed = false;
        } else {
            gl.DeleteProgram(program);
        }
    }
    if (vertex != 0) gl.DeleteShader(vertex);
    if (fragment != 0) gl.DeleteShader(fragment);
    return g_program.failed ? nullptr : &g_program;
}

int BitCount(std::uint32_t mask) {
    int n = 0;
    for (; mask != 0; mask &= mask - 1) ++n;
    return n;
}

}  // namespace

bool YuvLayoutOf(DWORD fourcc, YuvLayout* layout) {
    switch (fourcc) {
        case kFourCCYv12: *layout = YuvLayout::kYv12; return true;
        case kFourCCYuy2: *layout = YuvLayout::kYuy2; return true;
        case kFourCCUyvy: *layout = YuvLayout::kUyvy; return true;
        default: return false;
    }
}

DWORD FourCCOf(YuvLayout layout) {
    switch (layout) {
        case YuvLayout::kYv12: return kFourCCYv12;
        case YuvLayout::kYuy2: return kFourCCYuy2;
        default: return kFourCCUyvy;
    }
}

std::size_t YuvMemoryBytes(YuvLayout layout, int height, int pitch) {
    const std::size_t rows = static_cast<std::size_t>(height) * static_cast<std::size_t>(pitch);
    // Two chroma planes of height/2 rows at pitch/2: half the Y plane again.
    return layout == YuvLayout::kYv12 ? rows + rows / 2 : rows;
}

YuvTextures::~YuvTextures() { Delete(); }

bool YuvTextures::Live() const { return generation_ != 0 && generation_ == ContextGeneration(); }

void YuvTextures::Delete() {
    if (Live() && MakeCurrent()) {
        for (GLuint& texture : textures_) {
            if (texture != 0) gl.DeleteTextures(1, &texture);
        }
    }
    for (GLuint& texture : textures_) texture = 0;
    generation_ = 0;
}

bool YuvTextures::Create(YuvLayout layout, int width, int height) {
    Delete();
    if (!MakeCurrent()) return false;
    layout_ = layout;
    width_ = width;
    height_ = height;
    struct Plane {
        int width, height;
        GLenum internal_format, format;
        int bytes;
    };
    Plane planes[3];
    int count = 1;
    if (layout == YuvLayout::kYv12) {
        planes[0] = Plane{width, height, GL_R8UI, GL_RED_INTEGER, 1};
        planes[1] = Plane{width / 2, height / 2, GL_R8UI, GL_RED_INTEGER, 1};
        planes[2] = planes[1];
        count = 3;
    } else {
        planes[0] = Plane{width / 2, height, GL_RGBA8UI, GL_RGBA_INTEGER, 4};
    }
    // Errors left by earlier calls are not this one's.
    for (int i = 0; i < 16 && gl.GetError() != GL_NO_ERROR; ++i) {
    }
    gl.GenTextures(count, textures_);
    for (int i = 0; i < count; ++i) {
        gl.BindTexture(GL_TEXTURE_2D, textures_[i]);
        gl.TexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(planes[i].internal_format), planes[i].width,
                      planes[i].height, 0, planes[i].format, GL_UNSIGNED_BYTE, nullptr);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    generation_ = ContextGeneration();
    if (gl.GetError() != GL_NO_ERROR) {
        Delete();
        return false;
    }
    return true;
}

bool YuvTextures::Upload(const std::uint8_t* memory, int pitch) {
    if (!Live() || !MakeCurrent()) return false;
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (layout_ == YuvLayout::kYv12) {
        const std::uint8_t* cr = memory + static_cast<std::ptrdiff_t>(pitch) * height_;
        const std::uint8_t* cb = cr + static_cast<std::ptrdiff_t>(pitch / 2) * (height_ / 2);
        const std::uint8_t* starts[3] = {memory, cr, cb};
        for (int i = 0; i < 3; ++i) {
            const int w = i == 0 ? width_ : width_ / 2;
            const int h = i == 0 ? height_ : height_ / 2;
            gl.BindTexture(GL_TEXTURE_2D, textures_[i]);
            gl.PixelStorei(GL_UNPACK_ROW_LENGTH, i == 0 ? pitch : pitch / 2);
            gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RED_INTEGER, GL_UNSIGNED_BYTE, starts[i]);
        }
    } else {
        gl.BindTexture(GL_TEXTURE_2D, textures_[0]);
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, pitch / 4);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_ / 2, height_, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, memory);
    }
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return gl.GetError() == GL_NO_ERROR;
}

YuvTarget YuvTargetFor(const GlPixelFormat& format, GLuint framebuffer) {
    YuvTarget target;
    target.framebuffer = framebuffer;
    for (int c = 0; c < 3; ++c) target.channel_bits[c] = std::min(8, BitCount(format.masks[c]));
    target.alpha_one = format.has_alpha;
    return target;
}

bool DrawYuvConverted(const YuvTextures& picture, const RECT& from, const YuvTarget& target, const RECT& to,
                      const RECT& clip) {
    if (!picture.Live() || !MakeCurrent()) return false;
    // The shader divides by the rectangles' sizes and reads inside the picture only.
    if (from.left < 0 || from.top < 0 || from.right > picture.width() || from.bottom > picture.height() ||
        from.right <= from.left || from.bottom <= from.top || to.right <= to.left || to.bottom <= to.top) {
        return false;
    }
    const ConversionProgram* program = Program();
    if (program == nullptr) return false;
    const RECT drawn{std::max(to.left, clip.left), std::max(to.top, clip.top), std::min(to.right, clip.right),
                     std::min(to.bottom, clip.bottom)};
    if (drawn.right <= drawn.left || drawn.bottom <= drawn.top) return true;
    // The drawn rectangle in GL's rows.
    const int gl_top = target.flip_height > 0 ? target.flip_height - drawn.bottom : drawn.top;
    const int w = drawn.right - drawn.left;
    const int h = drawn.bottom - drawn.top;

    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);
    gl.DrawBuffer(target.framebuffer == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0);
    gl.UseProgram(program->program);
    gl.Uniform1i(program->layout, static_cast<GLint>(picture.layout()));
    gl.Uniform4f(program->from, static_cast<float>(from.left), static_cast<float>(from.top),
                 static_cast<float>(from.right - from.left), static_cast<float>(from.bottom - from.top));
    gl.Uniform4f(program->to, static_cast<float>(to.left), static_cast<float>(to.top),
                 static_cast<float>(to.right - to.left), static_cast<float>(to.bottom - to.top));
    gl.Uniform1f(program->flip_height, static_cast<float>(target.flip_height));
    gl.Uniform4f(program->drop, static_cast<float>(8 - target.channel_bits[0]),
                 static_cast<float>(8 - target.channel_bits[1]), static_cast<float>(8 - target.channel_bits[2]), 0.0f);
    gl.Uniform1f(program->alpha, target.alpha_one ? 1.0f : 0.0f);
    const int planes = picture.layout() == YuvLayout::kYv12 ? 3 : 1;
    for (int i = 0; i < 3; ++i) {
        gl.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        gl.BindSampler(static_cast<GLuint>(i), 0);
        gl.BindTexture(GL_TEXTURE_2D, picture.texture(i < planes ? i : 0));
    }
    gl.ActiveTexture(GL_TEXTURE0);
    gl.Viewport(drawn.left, gl_top, w, h);
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(drawn.left, gl_top, w, h);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.Disable(GL_BLEND);
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_CULL_FACE);
    gl.BindVertexArray(program->vertex_array);
    gl.DrawArrays(GL_TRIANGLES, 0, 3);
    gl.BindVertexArray(0);
    gl.Disable(GL_SCISSOR_TEST);
    return gl.GetError() == GL_NO_ERROR;
}

}  // namespace gl_backend
