// The YUV textures and the converting shader. The shader reads each sample's byte back
// exactly from 8-bit textures with nearest filtering, and its arithmetic gives exactly
// the sums of the movie player's tables (see the shader's notes), so that nothing is
// filtered or rounded on the way. The 8-bit result is cut to the target's channel bits
// and written as kept / (2^bits - 1), which GL's conversion to the target's fixed-point
// channels stores exactly.
#include "platform/opengl/yuv_conversion.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/program_build.h"

namespace gl_backend {
namespace {

constexpr const char* kVertexSource =
    "#version 330 core\n"
    "void main() {\n"
    "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));\n"
    "  gl_Position = vec4(p, 0.0, 1.0);\n"
    "}\n";

// The fragment shader, one program for each layout and for each axis whether it is
// stretched, so that no pixel branches on them. On software GL every sample and every
// operation of this shader is done by the processor for each pixel, so it does as little
// as it can:
// - An unstretched axis reads at a fixed offset from the pixel: the sample's centre is
//   u_base + u_sign x the pixel's centre, exact in floats. A stretched one maps in
//   integers without dividing (integer division does not vectorise): the quotient comes
//   from a float product with the reciprocal, corrected to the exact integer one.
// - Samples are read with nearest filtering at their centres, from 8-bit normalised
//   textures, and turned back into their bytes by rounding v x 255.
// - The conversion runs in floats: every product and sum of it is a whole number below
//   2^24 in size, which a float holds exactly, so it gives the integer sums; dividing by
//   16384 (a power of two) and flooring is the truncating shift of a non-negative sum,
//   and a negative one clamps to 0 either way.
//
// Uniforms: u_base and u_sign as above (y of u_sign is -1 where the target's rows count
// from the bottom); u_from the source rectangle (left, top, width, height); u_to the
// target rectangle (left, top, width, height) in surface rows; u_inverse 1 / (2 x its
// size); u_texel 1 / the picture's size; u_drop 2^-(bits dropped) and u_top
// 1 / (255 >> bits dropped) for each channel.
constexpr const char* kFragmentHead =
    "#version 330 core\n"
    "uniform sampler2D u_plane0;\n"
    "uniform sampler2D u_plane1;\n"
    "uniform sampler2D u_plane2;\n"
    "uniform ivec4 u_from;\n"
    "uniform ivec4 u_to;\n"
    "uniform vec2 u_inverse;\n"
    "uniform vec2 u_base;\n"
    "uniform vec2 u_sign;\n"
    "uniform vec2 u_texel;\n"
    "uniform vec3 u_drop;\n"
    "uniform vec3 u_top;\n"
    "uniform float u_alpha;\n"
    "out vec4 o_colour;\n"
    // The sample `i` pixels into a target of `size` takes of a source `length` long:
    // (2i + 1) x length / (2 x size), truncated. The products are below 2^31 (checked on
    // the way in) and the float quotient within one of the true one.
    "int Mapped(int i, int length, int size, float inverse) {\n"
    "  int n = (2 * i + 1) * length;\n"
    "  int d = 2 * size;\n"
    "  int q = int(float(n) * inverse);\n"
    "  q -= int(q * d > n);\n"
    "  q += int((q + 1) * d <= n);\n"
    "  return q;\n"
    "}\n"
    "float Byte(float v) { return floor(v * 255.0 + 0.5); }\n";

constexpr const char* kFragmentBody =
    "void main() {\n"
    // The sample's centre in the picture.
    "  vec2 centre = u_base + u_sign * gl_FragCoord.xy;\n"
    "#if STRETCH_X\n"
    "  centre.x = float(u_from.x + Mapped(int(centre.x) - u_to.x, u_from.z, u_to.z, u_inverse.x)) + 0.5;\n"
    "#endif\n"
    "#if STRETCH_Y\n"
    "  centre.y = float(u_from.y + Mapped(int(centre.y) - u_to.y, u_from.w, u_to.w, u_inverse.y)) + 0.5;\n"
    "#endif\n"
    "  vec2 at = centre * u_texel;\n"
    "#if LAYOUT == 0\n"
    // The chroma planes are half the size: the same place falls in the sample pair.
    "  float y = Byte(texture(u_plane0, at).r);\n"
    "  float cr = Byte(texture(u_plane1, at).r);\n"
    "  float cb = Byte(texture(u_plane2, at).r);\n"
    "#else\n"
    "  vec4 pair = texture(u_plane0, at);\n"
    "  bool right = fract(centre.x * 0.5) > 0.5;\n"
    "#if LAYOUT == 1\n"
    "  float y = Byte(right ? pair.b : pair.r);\n"
    "  float cb = Byte(pair.g);\n"
    "  float cr = Byte(pair.a);\n"
    "#else\n"
    "  float y = Byte(right ? pair.a : pair.g);\n"
    "  float cb = Byte(pair.r);\n"
    "  float cr = Byte(pair.b);\n"
    "#endif\n"
    "#endif\n"
    "  float luma = 19070.0 * (y - 16.0);\n"
    "  vec3 sum = vec3(luma + 26148.0 * (cr - 128.0),\n"
    "                  luma + -6406.0 * (cb - 128.0) + (-13320.0 * (cr - 128.0) + 1024.0),\n"
    "                  luma + 33062.0 * (cb - 128.0));\n"
    "  vec3 rgb = clamp(floor(sum * (1.0 / 16384.0)), 0.0, 255.0);\n"
    "  o_colour = vec4(floor(rgb * u_drop) * u_top, u_alpha);\n"
    "}\n";

constexpr int kLayouts = 3;

// One program of the live context, built on first use in it (objects of an older
// context went with it).
struct ConversionProgram {
    std::uint64_t generation = 0;
    bool failed = false;  // did not build in this generation
    GLuint program = 0;
    GLint from = -1;
    GLint to = -1;
    GLint inverse = -1;
    GLint base = -1;
    GLint sign = -1;
    GLint texel = -1;
    GLint drop = -1;
    GLint top = -1;
    GLint alpha = -1;
};

// Indexed by layout, then stretched in x, then stretched in y.
ConversionProgram g_programs[kLayouts][2][2];
// The empty vertex array the full-target triangle is drawn with, of its generation.
std::uint64_t g_vertex_array_generation = 0;
GLuint g_vertex_array = 0;

void BindOutput(GLuint program) { gl.BindFragDataLocation(program, 0, "o_colour"); }

const ConversionProgram* Program(YuvLayout layout, bool stretch_x, bool stretch_y) {
    const std::uint64_t generation = ContextGeneration();
    if (generation == 0) return nullptr;
    if (g_vertex_array_generation != generation) {
        g_vertex_array = 0;
        gl.GenVertexArrays(1, &g_vertex_array);
        g_vertex_array_generation = generation;
    }
    ConversionProgram& made = g_programs[static_cast<int>(layout)][stretch_x][stretch_y];
    if (made.generation == generation) return made.failed ? nullptr : &made;
    made = ConversionProgram{};
    made.generation = generation;
    made.failed = true;
    const std::string fragment = std::string(kFragmentHead) + "#define LAYOUT " +
                                 std::to_string(static_cast<int>(layout)) + "\n#define STRETCH_X " +
                                 (stretch_x ? "1" : "0") + "\n#define STRETCH_Y " + (stretch_y ? "1" : "0") +
                                 "\n" + kFragmentBody;
    const GLuint program = BuildProgram(kVertexSource, fragment.c_str(), BindOutput);
    if (program == 0) return nullptr;
    made.program = program;
    gl.UseProgram(program);
    gl.Uniform1i(gl.GetUniformLocation(program, "u_plane0"), 0);
    gl.Uniform1i(gl.GetUniformLocation(program, "u_plane1"), 1);
    gl.Uniform1i(gl.GetUniformLocation(program, "u_plane2"), 2);
    made.from = gl.GetUniformLocation(program, "u_from");
    made.to = gl.GetUniformLocation(program, "u_to");
    made.inverse = gl.GetUniformLocation(program, "u_inverse");
    made.base = gl.GetUniformLocation(program, "u_base");
    made.sign = gl.GetUniformLocation(program, "u_sign");
    made.texel = gl.GetUniformLocation(program, "u_texel");
    made.drop = gl.GetUniformLocation(program, "u_drop");
    made.top = gl.GetUniformLocation(program, "u_top");
    made.alpha = gl.GetUniformLocation(program, "u_alpha");
    made.failed = false;
    return &made;
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
        planes[0] = Plane{width, height, GL_R8, GL_RED, 1};
        planes[1] = Plane{width / 2, height / 2, GL_R8, GL_RED, 1};
        planes[2] = planes[1];
        count = 3;
    } else {
        planes[0] = Plane{width / 2, height, GL_RGBA8, GL_RGBA, 4};
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
            gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RED, GL_UNSIGNED_BYTE, starts[i]);
        }
    } else {
        gl.BindTexture(GL_TEXTURE_2D, textures_[0]);
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, pitch / 4);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_ / 2, height_, GL_RGBA, GL_UNSIGNED_BYTE, memory);
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
    // The stretched mapping multiplies (2i + 1) by the source's length, and its quotient
    // (one more at the most) by twice the target's, in 32 bits.
    const std::int64_t from_w = from.right - from.left, from_h = from.bottom - from.top;
    const std::int64_t to_w = static_cast<std::int64_t>(to.right) - to.left;
    const std::int64_t to_h = static_cast<std::int64_t>(to.bottom) - to.top;
    const bool stretch_x = from_w != to_w, stretch_y = from_h != to_h;
    if ((stretch_x && 2 * to_w * (from_w + 2) > INT_MAX) || (stretch_y && 2 * to_h * (from_h + 2) > INT_MAX)) {
        return false;
    }
    const ConversionProgram* program = Program(picture.layout(), stretch_x, stretch_y);
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
    gl.Uniform4i(program->from, from.left, from.top, from.right - from.left, from.bottom - from.top);
    gl.Uniform4i(program->to, to.left, to.top, to.right - to.left, to.bottom - to.top);
    gl.Uniform2f(program->inverse, static_cast<float>(0.5 / static_cast<double>(to_w)),
                 static_cast<float>(0.5 / static_cast<double>(to_h)));
    // A GL pixel's centre to the target's surface row and column (a stretched axis maps
    // from there) or straight to the source sample's centre (an unstretched one).
    const bool flipped = target.flip_height > 0;
    const float row_base = flipped ? static_cast<float>(target.flip_height) : 0.0f;
    const float shift_x = stretch_x ? 0.0f : static_cast<float>(from.left - to.left);
    const float shift_y = stretch_y ? 0.0f : static_cast<float>(from.top - to.top);
    gl.Uniform2f(program->base, shift_x, row_base + shift_y);
    gl.Uniform2f(program->sign, 1.0f, flipped ? -1.0f : 1.0f);
    gl.Uniform2f(program->texel, 1.0f / static_cast<float>(picture.width()), 1.0f / static_cast<float>(picture.height()));
    float drop[3], top[3];
    for (int c = 0; c < 3; ++c) {
        const int dropped = 8 - target.channel_bits[c];
        drop[c] = 1.0f / static_cast<float>(1 << dropped);
        top[c] = 1.0f / static_cast<float>(255 >> dropped);
    }
    gl.Uniform3f(program->drop, drop[0], drop[1], drop[2]);
    gl.Uniform3f(program->top, top[0], top[1], top[2]);
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
    gl.BindVertexArray(g_vertex_array);
    gl.DrawArrays(GL_TRIANGLES, 0, 3);
    gl.BindVertexArray(0);
    gl.Disable(GL_SCISSOR_TEST);
    return gl.GetError() == GL_NO_ERROR;
}

}  // namespace gl_backend
