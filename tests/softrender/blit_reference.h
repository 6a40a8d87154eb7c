// A plain, per-pixel reading of the unscaled blit's rules, written straight from their
// description with every choice made at run time; the kernels are tested against it.
#pragma once

#include <cstdint>

#include "engine/pixels/memimg.h"
#include "engine/softrender/soft_draw_state.h"

// Same arguments as DrawMemImgWith. Of the state's rows it reads only the blend-graph
// weights; every division by 255 is computed here.
void ReferenceDrawMemImg(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent,
                         const MEMIMG* blend_image);

// One pixel by the general rules every image draw shares (no fast form of the unscaled
// blit's plain path): `mode` after mode 1 at 255 became 0; `w` the blend-image weight when
// `blend`; `a` the source alpha, applied as a factor when `factor`.
struct ReferencePixelChoice {
    int kind, mode, value;
    const std::uint8_t* bright;  // blue, green, red
    bool blend;
    std::int64_t w;
    bool alpha_source;
    std::int64_t a;
    bool factor;
};
std::uint32_t ReferenceBlendPixel(const ReferencePixelChoice& choice, std::uint32_t dest, std::uint32_t colour);
