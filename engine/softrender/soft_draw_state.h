// The draw state the software renderer's blit, fill and lines read: a plain record made
// once per draw and handed to them, so that the renderer reads no global. The graphics
// core fills it from its draw settings (SoftDrawStateFromSettings).
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"

struct SoftDrawState {
    std::int32_t blend_mode;
    std::int32_t blend_value;  // 0..255
    std::uint8_t bright[4];    // blue, green, red, ignored
    RECT draw_area;            // right and bottom exclusive; clipped to the target by each draw
    // Rows of the division tables, chosen for the blend value and the bright colour.
    const std::uint32_t* value_row;      // product row of the blend value: x x v / 255
    const std::int32_t* signed_row;      // signed-product row of the blend value, at d = 0
    const std::uint8_t* mix_plane;       // 64 x 64 mix plane of level value / 4
    const std::uint32_t* bright_row[3];  // product rows of the bright blue, green and red
    const std::uint8_t* weights;         // 256 blend-graph weights of blend-image bytes
    bool mmx;                            // the 32-bit value-255 add and subtract saturate bytewise
};

// A state whose rows come from `tables`; the value is clamped into 0..255.
SoftDrawState MakeSoftDrawState(const BlendTables& tables, int mode, int value, const std::uint8_t bright[4],
                                const RECT& area, bool mmx);
