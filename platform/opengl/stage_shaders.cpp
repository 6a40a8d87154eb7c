// Generates the GL program for a set of fixed-function states and caches it.
//
// The mapping, state by state:
// - Position: pre-transformed x, y (pixel centres on integers) become GL window
//   coordinates x + 0.5, y + 0.5 (GL's centres are on halves), so a quad drawn at -0.5
//   maps texel to pixel exactly; GL's y is the surface's row, top first. Every vertex is
//   also moved by -1/128 pixel: an edge lying exactly on a pixel centre then keeps the
//   pixel on its left and top side only (the top-left fill rule), whatever rule the GL
//   rasteriser itself follows. z 0..1 is depth 0..1; rhw gives w = 1 / rhw.
// - SHADEMODE FLAT: the colour is `flat` and the context provokes with the first vertex,
//   so each triangle (of lists and strips alike) takes its first vertex's colour.
// - Stages: CURRENT starts as the diffuse colour (white when the vertices carry none).
//   Stage k runs while its COLOROP is not DISABLE; its arguments are DIFFUSE, CURRENT,
//   TEXTURE (its own texture at the coordinate set of TEXCOORDINDEX; (0,0,0,1) without a
//   texture), TFACTOR (the TEXTUREFACTOR state), SPECULAR (white: the engine's vertices
//   always carry white); COMPLEMENT takes 1 - x. Operations: SELECTARG1/2, MODULATE,
//   MODULATE2X/4X, ADD, SUBTRACT, ADDSIGNED, ADDSIGNED2X, ADDSMOOTH,
//   BLENDDIFFUSEALPHA / BLENDTEXTUREALPHA / BLENDFACTORALPHA / BLENDCURRENTALPHA
//   (arg1 * a + arg2 * (1 - a)), BLENDTEXTUREALPHAPM; any other keeps CURRENT. ALPHAOP
//   DISABLE on a running stage keeps CURRENT's alpha. Each stage's result is clamped to
//   0..1.
// - Colour key (COLORKEYENABLE with a keyed texture): a pixel whose nearest texel equals
//   the texture's key is not drawn.
// - Alpha test (ALPHATESTENABLE): the final alpha, as 0..255 rounded, is compared with
//   ALPHAREF by ALPHAFUNC; a failing pixel is not drawn.
// Blending, depth, culling and the viewport scissor are GL states set by the device.
#include "platform/opengl/stage_shaders.h"

#include "platform/opengl/program_build.h"

#include <cstdio>
#include <vector>

namespace gl_backend {
namespace {

// Where the top-left rule's nudge sits: more than GL's sub-pixel step, far less than a pixel.
constexpr const char* kEdgeNudge = "0.0078125";

// (Names are built from a named number: GCC 12 warns wrongly about "text" + a temporary.)
std::string Argument(const StageProgramKey::Stage& stage, int k, std::uint8_t arg) {
    const std::string n = std::to_string(k);
    std::string value;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: value = "diffuse"; break;
        case D3DTA_CURRENT: value = "current"; break;
        case D3DTA_TEXTURE: value = stage.textured ? "t" + n : "vec4(0.0, 0.0, 0.0, 1.0)"; break;
        case D3DTA_TFACTOR: value = "u_tfactor"; break;
        default: value = "vec4(1.0)"; break;  // SPECULAR and anything else
    }
    if ((arg & D3DTA_COMPLEMENT) != 0) value = "(vec4(1.0) - " + value + ")";
    return value;
}

// The operation on two arguments, as an expression on vec4.
std::string Operation(std::uint8_t op, const std::string& a1, const std::string& a2, int k) {
    const std::string n = std::to_string(k);
    const std::string tex = "t" + n;
    switch (op) {
        case D3DTOP_SELECTARG1: return a1;
        case D3DTOP_SELECTARG2: return a2;
        case D3DTOP_MODULATE: return a1 + " * " + a2;
        case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
        case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
        case D3DTOP_ADD: return a1 + " + " + a2;
        case 8: return a1 + " + " + a2 + " - vec4(0.5)";                  // ADDSIGNED
        case 9: return "2.0 * (" + a1 + " + " + a2 + " - vec4(0.5))";     // ADDSIGNED2X
        case D3DTOP_SUBTRACT: return a1 + " - " + a2;
        case 11: return a1 + " + " + a2 + " - " + a1 + " * " + a2;        // ADDSMOOTH
        case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
        case 13: return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";      // BLENDTEXTUREALPHA
        case 14: return "mix(" + a2 + ", " + a1 + ", u_tfactor.a)";        // BLENDFACTORALPHA
        case 15: return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";      // BLENDTEXTUREALPHAPM
        case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", current.a)";
        default: return "current";
    }
}

const char* Comparison(std::uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER: return "false";
        case D3DCMP_LESS: return "a < u_alpharef";
        case D3DCMP_EQUAL: return "a == u_alpharef";
        case D3DCMP_LESSEQUAL: return "a <= u_alpharef";
        case D3DCMP_GREATER: return "a > u_alpharef";
        case D3DCMP_NOTEQUAL: return "a != u_alpharef";
        case D3DCMP_GREATEREQUAL: return "a >= u_alpharef";
        default: return "true";
    }
}

// Test switch: a program that cannot compile.
std::string Checked(std::string text) {
    if (ShaderFailureForTest()) text += "\nthis does not compile\n";
    return text;
}

void BindStageLocations(GLuint program) {
    gl.BindAttribLocation(program, kAttribPosition, "a_position");
    gl.BindAttribLocation(program, kAttribDiffuse, "a_diffuse");
    gl.BindAttribLocation(program, kAttribTexture0, "a_tex0");
    gl.BindAttribLocation(program, kAttribTexture1, "a_tex1");
    gl.BindFragDataLocation(program, 0, "o_colour");
}

}  // namespace

std::string StageProgramKey::Bytes() const {
    std::string bytes;
    bytes.reserve(5 + sizeof(stages));
    bytes += static_cast<char>(stage_count);
    bytes += static_cast<char>(alpha_func);
    bytes += static_cast<char>(flat);
    bytes += static_cast<char>(has_diffuse);
    bytes += static_cast<char>(texture_sets);
    for (int k = 0; k < stage_count; ++k) {
        const Stage& s = stages[k];
        for (std::uint8_t v : {s.color_op, s.color_arg1, s.color_arg2, s.alpha_op, s.alpha_arg1, s.alpha_arg2,
                               s.coord_set, s.textured, s.keyed}) {
            bytes += static_cast<char>(v);
        }
    }
    return bytes;
}

std::string StageVertexSource(const StageProgramKey& key) {
    const std::string qualifier = key.flat ? "flat " : "";
    std::string s = "#version 330 core\n";
    s += "in vec4 a_position;\nin vec4 a_diffuse;\nin vec2 a_tex0;\nin vec2 a_tex1;\n";
    s += "uniform vec2 u_target;\n";
    s += qualifier + "out vec4 v_diffuse;\nout vec2 v_tex0;\nout vec2 v_tex1;\n";
    s += "void main() {\n";
    s += "  float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;\n";
    s += "  vec2 p = (a_position.xy + vec2(0.5 - " + std::string(kEdgeNudge) + ")) / u_target * 2.0 - 1.0;\n";
    s += "  gl_Position = vec4(p * w, (a_position.z * 2.0 - 1.0) * w, w);\n";
    s += "  v_diffuse = a_diffuse;\n  v_tex0 = a_tex0;\n  v_tex1 = a_tex1;\n}\n";
    return s;
}

std::string StageFragmentSource(const StageProgramKey& key) {
    const std::string qualifier = key.flat ? "flat " : "";
    std::string s = "#version 330 core\n";
    s += qualifier + "in vec4 v_diffuse;\nin vec2 v_tex0;\nin vec2 v_tex1;\n";
    s += "uniform vec4 u_tfactor;\nuniform float u_alpharef;\n";
    for (int k = 0; k < key.stage_count; ++k) {
        if (!key.stages[k].textured) continue;
        const std::string n = std::to_string(k);
        s += "uniform sampler2D u_texture" + n + ";\n";
        if (key.stages[k].keyed) s += "uniform vec4 u_key" + n + ";\n";
    }
    s += "out vec4 o_colour;\n";
    s += "void main() {\n";
    s += std::string("  vec4 diffuse = ") + (key.has_diffuse ? "v_diffuse" : "vec4(1.0)") + ";\n";
    s += "  vec4 current = diffuse;\n";
    for (int k = 0; k < key.stage_count; ++k) {
        const StageProgramKey::Stage& stage = key.stages[k];
        const std::string n = std::to_string(k);
        if (stage.textured) {
            const std::string coord = stage.coord_set == 0 ? "v_tex0" : stage.coord_set == 1 ? "v_tex1" : "vec2(0.0)";
            s += "  vec4 t" + n + " = texture(u_texture" + n + ", " + coord + ");\n";
            if (stage.keyed) {
                s += "  {\n    ivec2 size = textureSize(u_texture" + n + ", 0);\n";
                s += "    ivec2 at = clamp(ivec2(floor(" + coord + " * vec2(size))), ivec2(0), size - ivec2(1));\n";
                s += "    if (all(lessThan(abs(texelFetch(u_texture" + n + ", at, 0) - u_key" + n +
                     "), vec4(0.002)))) discard;\n  }\n";
            }
        }
        const std::string colour = Operation(stage.color_op, Argument(stage, k, stage.color_arg1),
                                             Argument(stage, k, stage.color_arg2), k);
        const std::string alpha = stage.alpha_op == D3DTOP_DISABLE
                                      ? "current"
                                      : Operation(stage.alpha_op, Argument(stage, k, stage.alpha_arg1),
                                                  Argument(stage, k, stage.alpha_arg2), k);
        s += "  {\n    vec4 c = " + colour + ";\n    vec4 a = " + alpha + ";\n";
        s += "    current = clamp(vec4(c.rgb, a.a), 0.0, 1.0);\n  }\n";
    }
    if (key.alpha_func != 0) {
        s += "  float a = floor(current.a * 255.0 + 0.5);\n";
        s += std::string("  if (!(") + Comparison(key.alpha_func) + ")) discard;\n";
    }
    s += "  o_colour = current;\n}\n";
    return s;
}

const StageProgram* StageProgramCache::Get(const StageProgramKey& key) {
    const std::string bytes = key.Bytes();
    auto found = programs_.find(bytes);
    if (found != programs_.end()) return found->second.program != 0 ? &found->second : nullptr;
    StageProgram made;
    const GLuint program = BuildProgram(Checked(StageVertexSource(key)).c_str(),
                                        Checked(StageFragmentSource(key)).c_str(), BindStageLocations);
    if (program != 0) {
        made.program = program;
        gl.UseProgram(program);
        made.target_size = gl.GetUniformLocation(program, "u_target");
        made.texture_factor = gl.GetUniformLocation(program, "u_tfactor");
        made.alpha_ref = gl.GetUniformLocation(program, "u_alpharef");
        for (int k = 0; k < key.stage_count; ++k) {
            const std::string n = std::to_string(k);
            const GLint sampler = gl.GetUniformLocation(program, ("u_texture" + n).c_str());
            if (sampler >= 0) gl.Uniform1i(sampler, k);
            made.keys[k] = gl.GetUniformLocation(program, ("u_key" + n).c_str());
        }
    }
    // A failure is remembered too, so a broken state set is not rebuilt on every draw.
    auto placed = programs_.emplace(bytes, made).first;
    return made.program != 0 ? &placed->second : nullptr;
}

void StageProgramCache::Clear(bool delete_them) {
    if (delete_them) {
        for (auto& entry : programs_) {
            if (entry.second.program != 0) gl.DeleteProgram(entry.second.program);
        }
    }
    programs_.clear();
}

}  // namespace gl_backend
