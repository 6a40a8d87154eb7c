// The fixed-function stages of the 3-D device as small GL programs: the states that
// change the program's text are gathered into a key, one program is generated per key
// and kept in a cache for the life of the context.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/d3d7.h"
#include "platform/opengl/gl_context.h"

namespace gl_backend {

// What a program depends on. Stages run up to the first whose colour operation is
// D3DTOP_DISABLE (at most 8).
struct StageProgramKey {
    struct Stage {
        std::uint8_t color_op = 0;
        std::uint8_t color_arg1 = 0;
        std::uint8_t color_arg2 = 0;
        std::uint8_t alpha_op = 0;
        std::uint8_t alpha_arg1 = 0;
        std::uint8_t alpha_arg2 = 0;
        std::uint8_t coord_set = 0;  // 0 or 1; 2 = no coordinates in the vertices (0, 0)
        std::uint8_t textured = 0;   // a texture is set on the stage
        std::uint8_t keyed = 0;      // texels equal to the texture's colour key are dropped
    };
    std::uint8_t stage_count = 0;
    std::uint8_t alpha_func = 0;  // 0: no alpha test, else the D3DCMP_ function
    std::uint8_t flat = 0;        // every triangle takes its first vertex's colour
    std::uint8_t has_diffuse = 0;  // the vertices carry a diffuse colour (else white)
    std::uint8_t texture_sets = 0;  // coordinate sets in the vertices (0 to 2)
    Stage stages[kD3DMaxStages];

    std::string Bytes() const;
};

// Attribute slots of the generated programs.
constexpr GLuint kAttribPosition = 0;
constexpr GLuint kAttribDiffuse = 1;
constexpr GLuint kAttribTexture0 = 2;
constexpr GLuint kAttribTexture1 = 3;

struct StageProgram {
    GLuint program = 0;
    GLint target_size = -1;  // vec2: render target width, height
    GLint texture_factor = -1;
    GLint alpha_ref = -1;
    GLint keys[kD3DMaxStages] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

// Programs of one context.
class StageProgramCache {
public:
    // The program for the key, built on first use; null when it does not compile or link.
    const StageProgram* Get(const StageProgramKey& key);
    // Forgets every program (their context is gone, or they are deleted when `delete_them`).
    void Clear(bool delete_them);

private:
    std::unordered_map<std::string, StageProgram> programs_;
};

// The generated sources (for the cache and its tests).
std::string StageVertexSource(const StageProgramKey& key);
std::string StageFragmentSource(const StageProgramKey& key);

}  // namespace gl_backend
